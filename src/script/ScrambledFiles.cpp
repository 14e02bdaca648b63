#include "script/ScrambledFiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

using namespace Qt::Literals::StringLiterals;

namespace zentil {

namespace {

constexpr char kMarker[] = "ZENTIL";
constexpr qint64 kMarkerSize = 6;
constexpr qint64 kBlockSize = 64 * 1024;

// The key table rule: a 32-bit xorshift generator (shifts 13, 17, 5) started from the constant
// seed 0x5A454E54 ("ZENT"); entry n (1-based) is the top byte of the n-th generated value.
ScrambleKeyTable BuildKeyTable()
{
    ScrambleKeyTable table {};
    uint32_t x = 0x5A454E54U;
    for (auto& entry : table) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        entry = static_cast<uint8_t>(x >> 24);
    }
    return table;
}

// Exclusive-or of a block with the key table from the 0-based key index on; returns the index
// after the block.
int ApplyKey(char* data, qint64 size, int keyIndex)
{
    const auto& key = KeyTable();
    for (qint64 i = 0; i < size; ++i) {
        data[i]
            = static_cast<char>(static_cast<uint8_t>(data[i]) ^ key[static_cast<size_t>(keyIndex)]);
        if (++keyIndex == ScrambleKeyTableSize)
            keyIndex = 0;
    }
    return keyIndex;
}

uint16_t ReadLittleEndian16(const char* p)
{
    return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8));
}

QChar NameCharacter(int entry)
{
    // Entries 0..25 are "a".."z", 26..35 are "0".."9".
    return entry < 26 ? QChar(u'a' + entry) : QChar(u'0' + (entry - 26));
}

} // namespace

const ScrambleKeyTable& KeyTable()
{
    static const ScrambleKeyTable table = BuildKeyTable();
    return table;
}

int KeyTableIndex(int keyPosition)
{
    return ((keyPosition - 1) % ScrambleKeyTableSize + ScrambleKeyTableSize) % ScrambleKeyTableSize;
}

QString MakeHiddenFileName(const QString& extension)
{
    QString ext = extension.trimmed();
    if (!ext.isEmpty() && !ext.startsWith(u'.'))
        ext.prepend(u'.');
    auto* random = QRandomGenerator::global();
    QString name;
    name.reserve(8 + ext.size());
    name += NameCharacter(static_cast<int>(random->bounded(26)));
    while (name.size() < 8)
        name += NameCharacter(static_cast<int>(random->bounded(36)));
    return name + ext;
}

QString MakeHiddenFileNameIn(const QString& folder, const QString& extension)
{
    const QDir dir(folder);
    QString name;
    do {
        name = MakeHiddenFileName(extension);
    } while (dir.exists(name));
    return name;
}

bool IsScrambledFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(kMarkerSize) == QByteArray(kMarker);
}

bool DecryptFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return false;
    QFile file(fileName);
    if (!file.exists() || !file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray header = file.read(ScrambleHeaderSize);
    if (!header.startsWith(kMarker))
        return false;
    const qint64 size = file.size();
    if (size <= ScrambleHeaderSize)
        return file.resize(0);
    int keyIndex = KeyTableIndex(ReadLittleEndian16(header.constData() + kMarkerSize));

    // The body moves 10 bytes towards the start; reading always runs ahead of writing.
    QByteArray block(kBlockSize, Qt::Uninitialized);
    qint64 readPos = ScrambleHeaderSize;
    qint64 writePos = 0;
    while (readPos < size) {
        if (!file.seek(readPos))
            return false;
        const qint64 n = file.read(block.data(), std::min(kBlockSize, size - readPos));
        if (n <= 0)
            return false;
        keyIndex = ApplyKey(block.data(), n, keyIndex);
        if (!file.seek(writePos) || file.write(block.constData(), n) != n)
            return false;
        readPos += n;
        writePos += n;
    }
    // The unscrambled text must not be followed by the tail of the scrambled body.
    return file.resize(size - ScrambleHeaderSize);
}

// Copies the rest of in to out, applying the key from keyIndex on, and commits out.
static bool CopyApplyingKey(
    QFile& in, QSaveFile& out, int keyIndex, const QString& output, QString* error)
{
    QByteArray block(kBlockSize, Qt::Uninitialized);
    qint64 n = 0;
    while ((n = in.read(block.data(), kBlockSize)) > 0) {
        keyIndex = ApplyKey(block.data(), n, keyIndex);
        out.write(block.constData(), n);
    }
    if (n < 0 || !out.commit()) {
        *error = u"cannot write "_s + output;
        return false;
    }
    return true;
}

bool ScrambleFile(const QString& input, const QString& output, int keyStart, QString* error)
{
    if (keyStart < 1 || keyStart > ScrambleKeyTableSize) {
        *error = u"the key start must lie between 1 and 10000"_s;
        return false;
    }
    QFile in(input);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = u"cannot read "_s + input + u": "_s + in.errorString();
        return false;
    }
    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = u"cannot write "_s + output + u": "_s + out.errorString();
        return false;
    }
    QByteArray header(kMarker, kMarkerSize);
    header.append(static_cast<char>(keyStart & 0xFF));
    header.append(static_cast<char>((keyStart >> 8) & 0xFF));
    header.append(2, '\0');
    out.write(header);
    int keyIndex = KeyTableIndex(keyStart);
    return CopyApplyingKey(in, out, keyIndex, output, error);
}

bool UnscrambleFile(const QString& input, const QString& output, QString* error)
{
    if (!IsScrambledFile(input)) {
        *error = input + u" is not a scrambled file"_s;
        return false;
    }
    QFile in(input);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = u"cannot read "_s + input + u": "_s + in.errorString();
        return false;
    }
    const QByteArray header = in.read(ScrambleHeaderSize);
    int keyIndex
        = header.size() >= 8 ? KeyTableIndex(ReadLittleEndian16(header.constData() + 6)) : 0;
    QSaveFile out(output);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = u"cannot write "_s + output + u": "_s + out.errorString();
        return false;
    }
    return CopyApplyingKey(in, out, keyIndex, output, error);
}

} // namespace zentil
