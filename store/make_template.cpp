// make_template FILE: writes the empty template register from the schema
// in code. Run by the build; the result is an ordinary SQLite 3 file.

#include "store/database.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_template FILE\n");
        return 2;
    }
    try {
        store::Database::create(QString::fromLocal8Bit(argv[1]));
    } catch (const store::EngineError& e) {
        std::fprintf(stderr, "make_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
