#pragma once

#include <QString>

namespace zentil {

// Message and information texts separate their lines with "\r", as the stored files and scripts
// have them; widgets and terminals want "\n".
inline QString WithNewlines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

} // namespace zentil
