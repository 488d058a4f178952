#pragma once
// Registers of realistic size for the benchmarks: descriptions of 20 to 40
// characters made of office words and numbers, people's names, notes of 0
// to 2,000 characters, dates over ten years. Made once per size and kept in
// the temporary folder, since filling 10^6 rows takes a while.

#include <QString>

/// The file name of a register with `rows` documents, made if missing.
QString benchRegister(int rows);
