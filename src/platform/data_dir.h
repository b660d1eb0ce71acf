// Where the sample feeds and help topics are found.
#pragma once

#include <QString>

namespace yarvelin {

// The folder holding Samples/ and help/. A program running from its build folder finds them beside its
// executable; an installed one finds them in the data folder relative to it (bin/../share/yarvelin). When
// neither exists the program's own folder is returned, so messages name where the files were looked for.
QString DataDir(const QString& programDir);

// DataDir() of the running program's folder.
QString ApplicationDataDir();

}  // namespace yarvelin
