#pragma once

#include <QString>

namespace zentil {

// The product's web address: shown by --version and on the built-in end slide.
inline const QString ProductWebAddress = QStringLiteral("http://www.zentil.org/");

} // namespace zentil
