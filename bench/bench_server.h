#pragma once
// Server registers for the benchmarks: the bench register of `rows`
// documents (bench_register.h) copied once into a database of its own on
// the server that TOLVANE_BENCH_PG names (the URI of a maintenance database
// as a user who may create databases, e.g. what scripts/pg-cluster start
// prints), and kept there for later runs.

#include "bench_register.h"

#include <QString>

namespace benchmark {
class State;
}

/// The maintenance URI, empty when no server is given.
QString benchServer();

/// The URI of a server database named `name` (made empty when missing).
QString benchServerDatabase(const QString& name, bool fresh = false);

/// The URI of the server register with the bench register's rows; empty
/// when no server is given.
QString benchServerRegister(int rows);
/// The same for the file register `name` made with `describe`
/// (bench_register.h).
QString benchServerRegister(int rows, const QString& name, const BenchDescribe& describe);

/// The register of `rows` documents for a benchmark's backend argument:
/// 0 the file, 1 the server; empty (the benchmark marked skipped) when no
/// server is given.
QString benchRegisterFor(benchmark::State& state, int rows);
