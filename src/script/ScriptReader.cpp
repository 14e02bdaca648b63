#include "script/ScriptReader.h"

#include "base/DebugLog.h"
#include "base/ProductInfo.h"
#include "script/ScrambledFiles.h"
#include "script/ScriptWords.h"
#include "storage/CacheCopy.h"
#include "storage/FileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr qint64 kReadBlock = 256 * 1024;

// Windows-1252 characters of the codes 128..159; the five unassigned codes keep their value.
constexpr char16_t kCp1252High[32]
    = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
          0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
          0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

QChar Cp1252Character(int code)
{
    if (code >= 128 && code < 160)
        return QChar(kCp1252High[code - 128]);
    return QChar(static_cast<char16_t>(code));
}

QString DecodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = Cp1252Character(static_cast<uint8_t>(bytes[i]));
    return text;
}

// A UTF-8 byte-order mark at the start of a script says nothing about the text after it: it is
// dropped whichever way the text is read. Returns its length, 0 when there is none.
qsizetype ByteOrderMarkLength(QByteArrayView head)
{
    return head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

// A decoder for the text after the mark; a second mark is text.
QStringDecoder Utf8Decoder()
{
    return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
}

// Whether the decoded text ended on a whole character. The decoder keeps a sequence cut off at
// the end waiting for more bytes without calling it an error, so a byte that cannot continue a
// sequence is fed to bring such a rest out.
bool EndsOnWholeCharacter(QStringDecoder& utf8)
{
    // decode() is lazy: the text must be taken for the bytes to be looked at.
    const QString rest = utf8.decode(QByteArrayView("\n", 1));
    return !rest.isEmpty() && !utf8.hasError();
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Whether the statement's first word is the given lower-case word as the pre-scan compares it:
// ignoring case only when the statement holds more than one word.
bool PrescanIs(const CommandWords& words, QStringView word)
{
    return words.Arguments.isEmpty() ? words.Command == word : SameWord(words.Command, word);
}

// Reads the file through a splitter, either as UTF-8 (returns false when the file is not valid
// UTF-8) or as Windows-1252.
bool SplitFile(QFile& file, bool asUtf8, std::vector<QString>& statements,
    std::vector<StatementPosition>& positions, QString* limitMessage)
{
    statements.clear();
    positions.clear();
    file.seek(0);
    file.seek(ByteOrderMarkLength(file.read(3)));
    StatementSplitter splitter(statements, &positions);
    QStringDecoder utf8 = Utf8Decoder();
    QByteArray block;
    while (!(block = file.read(kReadBlock)).isEmpty()) {
        const QString text = asUtf8 ? QString(utf8.decode(block)) : DecodeCp1252(block);
        if (asUtf8 && utf8.hasError())
            return false;
        if (!splitter.Feed(text)) {
            *limitMessage = splitter.LimitMessage();
            return true;
        }
    }
    if (asUtf8 && !EndsOnWholeCharacter(utf8))
        return false;
    if (!splitter.Finish())
        *limitMessage = splitter.LimitMessage();
    return true;
}

} // namespace

QString ScriptPathFromCommandLine(const QString& commandLine)
{
    QString name = commandLine.trimmed();
    const qsizetype p = name.indexOf(u".zentil"_s, 0, Qt::CaseInsensitive);
    if (p >= 0)
        name.truncate(p + 7);
    return name;
}

bool AllDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!IsAsciiDigit(c))
            return false;
    }
    return true;
}

QString RemoveBrowserInstanceNumber(const QString& fileName)
{
    static const QString ext = u".zentil"_s;
    // Positions are 0-based here; "> 0" stands for the rule's "above 1".
    const qsizetype p = fileName.lastIndexOf(ext);
    if (p <= 0)
        return fileName;
    qsizetype pos = p - 1;
    if (fileName.at(pos) == u']') {
        --pos;
        if (pos > 0) {
            const qsizetype q = fileName.lastIndexOf(u'[', pos);
            if (q > 0 && AllDigits(fileName.mid(q + 1, pos - q)))
                return fileName.left(q) + ext;
        }
        return fileName;
    }
    const qsizetype q = fileName.lastIndexOf(u'-', pos);
    if (q > 0 && AllDigits(fileName.mid(q + 1, pos - q)))
        return fileName.left(q) + ext;
    return fileName;
}

QString ApplyEscapes(const QString& statement)
{
    if (!statement.contains(u'\\'))
        return statement;
    QString out;
    out.reserve(statement.size());
    const qsizetype n = statement.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = statement.at(i);
        if (c == u'\\' && i + 3 < n && IsAsciiDigit(statement.at(i + 1))
            && IsAsciiDigit(statement.at(i + 2)) && IsAsciiDigit(statement.at(i + 3))) {
            const int code = (statement.at(i + 1).unicode() - u'0') * 100
                + (statement.at(i + 2).unicode() - u'0') * 10
                + (statement.at(i + 3).unicode() - u'0');
            if (code <= 255)
                out += Cp1252Character(code);
            i += 3;
            continue;
        }
        out += c;
    }
    return out;
}

bool StatementSplitter::Feed(QStringView text)
{
    if (!limitMessage_.isEmpty())
        return false;
    qsizetype runStart = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && text[i].unicode() >= 32)
            continue;
        const qsizetype runLength = i - runStart;
        if (runLength > 0) {
            if (current_.isEmpty())
                start_ = { line_, column_ };
            column_ += static_cast<int32_t>(runLength);
            afterCarriageReturn_ = false;
        }
        current_ += text.mid(runStart, runLength);
        if (current_.size() > MaxStatementLength) {
            limitMessage_ = u"Statement "_s + QString::number(out_.size() + 1)
                + u" is longer than "_s + QString::number(MaxStatementLength)
                + u" characters; the script cannot be read."_s;
            return false;
        }
        if (i < n) {
            PassControlCharacter(text[i]);
            if (!EndStatement())
                return false;
        }
        runStart = i + 1;
    }
    return true;
}

void StatementSplitter::PassControlCharacter(QChar c)
{
    // Lines end where editors end them: CR, LF or the pair; other control characters are
    // one column wide.
    const bool lineFeedOfPair = c == u'\n' && afterCarriageReturn_;
    afterCarriageReturn_ = c == u'\r';
    if (lineFeedOfPair)
        return;
    if (c == u'\r' || c == u'\n') {
        ++line_;
        column_ = 1;
    } else {
        ++column_;
    }
}

bool StatementSplitter::Finish()
{
    return limitMessage_.isEmpty() && EndStatement();
}

bool StatementSplitter::EndStatement()
{
    if (current_.isEmpty())
        return true;
    if (static_cast<qsizetype>(out_.size()) >= MaxStatementCount) {
        limitMessage_ = u"The script holds more than "_s + QString::number(MaxStatementCount)
            + u" statements and cannot be read."_s;
        return false;
    }
    out_.push_back(ApplyEscapes(current_));
    if (positions_)
        positions_->push_back(start_);
    current_.clear();
    return true;
}

bool SplitScriptBytes(const QByteArray& bytes, std::vector<QString>& statements,
    QString* limitMessage, std::vector<StatementPosition>* positions)
{
    const QByteArrayView body = QByteArrayView(bytes).sliced(ByteOrderMarkLength(bytes));
    QStringDecoder utf8 = Utf8Decoder();
    QString text = utf8.decode(body);
    if (utf8.hasError() || !EndsOnWholeCharacter(utf8))
        text = DecodeCp1252(body);
    statements.clear();
    if (positions)
        positions->clear();
    StatementSplitter splitter(statements, positions);
    const bool ok = splitter.Feed(text) && splitter.Finish();
    if (limitMessage)
        *limitMessage = splitter.LimitMessage();
    return ok;
}

ScriptReadResult LoadScriptFromFile(const QString& currentFileName, const QString& tempFolder,
    ScriptStatements& script, DebugLog& log)
{
    // A refused script leaves the statements empty.
    ZT_TRACE_SCOPE_WITH(log, u"LoadScriptFromFile - "_s + currentFileName,
        u"LoadScriptFromFile - MaxScriptIndex = 0"_s);
    ScriptReadResult result;
    const QFileInfo info(currentFileName);
    if (currentFileName.isEmpty() || !info.exists()) {
        ZT_TRACE_EXIT(u"LoadScriptFromFile - no such file"_s);
        return result;
    }
    if (!info.isFile()) {
        result.Refusal = u"The script "_s + currentFileName + u" is not a file."_s;
        ZT_DEBUG(log, TraceProcedures, "error", result.Refusal);
        return result;
    }
    result.FileFound = true;
    script.Clear();
    if (!info.isReadable()) {
        result.Refusal = u"The script file "_s + currentFileName + u" could not be read."_s;
        ZT_DEBUG(log, TraceProcedures, "error", result.Refusal);
        return result;
    }

    if (info.size() > MaxScriptFileBytes) {
        result.Refusal = u"The script file "_s + currentFileName + u" is larger than "_s
            + QString::number(MaxScriptFileBytes / (1024 * 1024)) + u" MB and cannot be read."_s;
        ZT_DEBUG(log, TraceProcedures, "error", result.Refusal);
        return result;
    }

    const QString suffix = info.suffix().isEmpty() ? QString() : u"."_s + info.suffix();
    const QString copyPath = QDir(tempFolder).filePath(MakeHiddenFileNameIn(tempFolder, suffix));
    QFile::remove(copyPath);
    if (tempFolder.isEmpty() || !CopyWorkingFile(currentFileName, copyPath)) {
        result.Refusal = u"The script file "_s + currentFileName
            + u" could not be copied into the temporary folder."_s;
        ZT_DEBUG(log, TraceProcedures, "error", result.Refusal);
        return result;
    }
    QFile::setPermissions(copyPath, QFile::ReadOwner | QFile::WriteOwner);
    script.EncryptFlag = DecryptFile(copyPath);

    QFile file(copyPath);
    QString limitMessage;
    if (file.open(QIODevice::ReadOnly)) {
        if (!SplitFile(file, true, script.ScriptArray, result.Positions, &limitMessage))
            SplitFile(file, false, script.ScriptArray, result.Positions, &limitMessage);
        file.close();
    } else {
        limitMessage = u"The script file "_s + currentFileName + u" could not be read."_s;
    }
    QFile::remove(copyPath);
    if (!limitMessage.isEmpty()) {
        script.ScriptArray.clear();
        result.Positions.clear();
        result.Refusal = limitMessage;
        ZT_DEBUG(log, TraceProcedures, "error", result.Refusal);
        return result;
    }

    for (size_t i = 0; i < script.ScriptArray.size(); ++i) {
        const CommandWords words = SplitCommand(script.ScriptArray[i]);
        if (!words.Command.startsWith(u'/'))
            continue;
        if (PrescanIs(words, u"/name")) {
            const QString name = TrimBlanks(BraceArgument(words.Arguments)).toString();
            // A name must give the presentation a folder of its own in the cache.
            if (name.isEmpty() || !CacheFolderName(name).isEmpty()) {
                result.ScriptName = name;
            } else {
                const QString why = IsPlainFileName(name)
                    ? u"The presentation name "_s + name
                        + u" was refused: it must be a file name with an extension, such as talk.zentil."_s
                    : RefusedNameMessage(u"presentation"_s, name);
                result.Messages.push_back({ static_cast<int32_t>(i + 1), why });
            }
        } else if (PrescanIs(words, u"/version")) {
            const QStringView text = TrimBlanks(BraceArgument(words.Arguments));
            result.ScriptVersion = static_cast<float>(LeadingNumber(text));
        }
    }
    ZT_TRACE_EXIT(
        u"LoadScriptFromFile - MaxScriptIndex = "_s + QString::number(script.MaxScriptIndex()));
    return result;
}

VersionCheck CheckScriptVersion(const QString& scriptName, float scriptVersion)
{
    VersionCheck check;
    if (!(scriptVersion > 0.0F && scriptVersion > PlayerScriptVersion))
        return check;
    check.Passes = false;
    check.Title = u"Zentil Error Message"_s;
    if (!scriptName.isEmpty()) {
        check.Text = scriptName + u" requires a later version of zentil to play properly."_s
            + u"\r"_s + u"Please go to "_s + ProductWebAddress
            + u" to download a newer version of zentil."_s;
    } else {
        check.Text = u"The script requires a later version of zentil to play properly. Please go"_s
            + u"\r"_s + u"to "_s + ProductWebAddress + u" to download a newer version of zentil."_s;
    }
    return check;
}

} // namespace zentil
