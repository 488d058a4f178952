#pragma once
// Registers of realistic size for the benchmarks: descriptions of 20 to 40
// characters made of office words and numbers, people's names, notes of 0
// to 2,000 characters, dates over ten years. Made once per size and kept in
// the temporary folder, since filling 10^6 rows takes a while.

#include <QString>
#include <functional>

/// A random whole number in [0, n), from the register's fixed-seed stream.
using BenchPick = std::function<int(int n)>;
/// Makes the description of document `id`.
using BenchDescribe = std::function<QString(int id, const BenchPick& pick)>;

/// The file name of a register with `rows` documents, made if missing. A
/// benchmark that needs descriptions of its own passes `describe` and a
/// `name` of its own for the file.
QString benchRegister(int rows, const QString& name = QStringLiteral("arkelby-bench"),
                      const BenchDescribe& describe = {});

/// Places the register `rows` documents as `folder`/Veld.MDB by a hard link,
/// not a symbolic one, which the program refuses to open as a register.
/// Raises std::runtime_error when the folder is on another file system.
void placeBenchRegister(int rows, const QString& folder);
