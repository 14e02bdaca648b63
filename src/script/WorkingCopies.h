#pragma once

#include <QString>

namespace zentil {

class DebugLog;
class ErrorReporter;
struct ScriptStatements;
struct SlideShowModel;
struct ZentilFolders;

// Everything the working-copy functions touch. The presentation's files are never used in
// place: each is copied into the temporary folder under a random name and unscrambled there.
// Ogg narration is played from its copy, decoded while it plays.
struct WorkingCopyContext {
    const ZentilFolders& Folders; // ResourcePath, ZTTempPath, ZentilCachePath
    SlideShowModel& Model; // ResourceMap, ShowTitle and ScriptParentFolder for messages
    bool EncryptFlag; // the script was scrambled: every resource must be too
    ErrorReporter& Reporter; // "encrypt"
    DebugLog& Log;
};

// Copies a resource of the resource folder into the temporary folder, unscrambles the copy and
// returns its full path; "" when there is no such file, the name is not a plain file name, or a
// plain file turns up in a scrambled presentation (after the fatal "encrypt" error has been
// reported). Traced as "DecompressFile".
QString MakeUnscrambledCopy(const WorkingCopyContext& context, const QString& resourceName);

// GetRealFilename: the working copy for a resource name, made on first use and remembered in
// the ResourceMap entry; "" when no entry of that name yields one.
QString GetRealFilename(const WorkingCopyContext& context, const QString& resourceName);

// The file of a resource in folder: the exact name when it exists, else the first file whose
// name differs only in letter case (presentations made on systems that ignore case); "" when
// there is none.
QString ResolveResourceFile(const QString& folder, const QString& name);

} // namespace zentil
