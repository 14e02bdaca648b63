#include "base/ErrorReporting.h"

using namespace Qt::Literals::StringLiterals;

namespace zentil {

QString FatalErrorKindName(FatalErrorKind kind)
{
    switch (kind) {
    case FatalErrorKind::Encrypt:
        return u"encrypt"_s;
    case FatalErrorKind::SlideCount:
        return u"slidecount"_s;
    case FatalErrorKind::SoundFile:
        return u"soundfile"_s;
    }
    return QString();
}

FatalError MakeFatalError(FatalErrorKind kind, const QString& showTitle,
    const QString& scriptParentFolder, bool insideCache, int32_t slideNumber)
{
    FatalError error;
    error.Kind = kind;
    switch (kind) {
    case FatalErrorKind::Encrypt:
        error.Title = u"Zentil Resource File Corrupted"_s;
        if (insideCache) {
            error.Text = u"Zentil cannot continue running "_s + showTitle
                + u" due to a corrupt file. Please download the"_s
                + u" presentation again. If the problem persists,"_s
                + u" please contact the presentation's author."_s;
            error.CorruptFileFound = true;
        } else {
            error.Text = u"Zentil cannot continue running "_s + showTitle
                + u" due to a corrupt file. Please delete the folder "_s + scriptParentFolder
                + u" and download the presentation again. If the problem"_s
                + u" persists, please contact the presentation's author."_s;
        }
        break;
    case FatalErrorKind::SlideCount:
        error.Title = u"Zentil Script File Corrupted"_s;
        error.Text = u"Zentil cannot continue running "_s + showTitle
            + u" because the slide show doesn't contain any slides."_s
            + u" Please contact the presentation's author."_s;
        break;
    case FatalErrorKind::SoundFile:
        error.Title = u"Zentil Script File Corrupted"_s;
        error.Text = u"Zentil cannot continue running "_s + showTitle
            + u" because the sound file for slide "_s + QString::number(slideNumber)
            + u" is undefined."_s + u" Please contact the presentation's author."_s;
        break;
    }
    return error;
}

} // namespace zentil
