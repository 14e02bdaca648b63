#pragma once

#include <QString>

namespace zentil {

// The product's web address, shown wherever the user is sent to get a newer player or help.
inline const QString ProductWebAddress = QStringLiteral("https://www.zentil.org");

} // namespace zentil
