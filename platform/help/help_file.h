#pragma once
// Where the help file "Veld.Hlp" (one HTML file with an anchor per topic
// number) is found: in the current folder first, as the program's other
// files are, then beside the program, then in the installed share folder
// (../share/tolvane from the program), then in the build tree. The help
// topics the program uses are named here too.

#include <QString>
#include <QStringList>

namespace help {

inline constexpr const char* HelpFileName = "Veld.Hlp";

/// Topic numbers the program's windows open.
namespace topic {
inline constexpr int Contents = 7003;   ///< the contents page
inline constexpr int TypesList = 5050;  ///< the types window, the type name
inline constexpr int AddType = 5002;    ///< adding a type
inline constexpr int DeleteType = 5003; ///< deleting a type
inline constexpr int AddTypeOk = 5006;  ///< the Add Type dialog's OK button
} // namespace topic

/// The folders searched, in order.
QStringList helpFileFolders();

/// The full path of the help file, or an empty text when there is none.
QString findHelpFile();

} // namespace help
