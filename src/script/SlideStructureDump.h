#pragma once

#include "script/PresentationModel.h"

#include <QStringList>

namespace zentil {

// The lines of the debug dump "slidestructure.txt" of a model.
QStringList FormatSlideStructure(const SlideShowModel& model);

// The "DownloadList = " lines: the queue wrapped at 90 columns after a blank or "|", trailing
// blanks removed, continuation lines indented to the list's start.
QStringList WrapDownloadList(const QString& list);

// WriteSlideStructure: writes the dump to tempFolder/slidestructure.txt (UTF-8, CR LF),
// replacing an older one. Returns the file's path, "" when it could not be written.
QString WriteSlideStructure(const SlideShowModel& model, const QString& tempFolder);

} // namespace zentil
