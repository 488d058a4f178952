// main() for GoogleTest executables that drive real windows: one
// QApplication for the whole run (named "tolvane" like the program, so
// message boxes carry the same caption), then every test. Windows are
// drawn offscreen unless QT_QPA_PLATFORM names another platform.

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Headless unless told otherwise, also when CTest lists the cases.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvane"));
    return RUN_ALL_TESTS();
}
