// Scrambled files: any bytes unscrambled in place must give exactly the body exclusive-or'ed
// with the key table from the header's key start, and scrambling any bytes and unscrambling
// them again must give them back.
#include "FuzzSupport.h"

#include "script/ScrambledFiles.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace zentil;
using zentil::test::ReadAll;

namespace {

// What unscrambling must make of a file that carries the marker.
QByteArray Expected(const QByteArray& file)
{
    if (file.size() <= ScrambleHeaderSize)
        return QByteArray();
    const int keyStart = static_cast<uint8_t>(file[6]) | (static_cast<uint8_t>(file[7]) << 8);
    QByteArray body = file.mid(ScrambleHeaderSize);
    int k = KeyTableIndex(keyStart);
    for (char& c : body) {
        c = static_cast<char>(static_cast<uint8_t>(c) ^ KeyTable()[static_cast<size_t>(k)]);
        k = (k + 1) % ScrambleKeyTableSize;
    }
    return body;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::Bytes(data, size);
    const QDir dir(fuzz::ScratchFolder());
    const QString inPlace = dir.filePath(u"inplace.bin"_s);
    if (!fuzz::WriteFile(inPlace, input))
        return 0;
    const bool marked = input.startsWith("ZENTIL");
    if (DecryptFile(inPlace) != marked)
        std::abort();
    if (ReadAll(inPlace) != (marked ? Expected(input) : input))
        std::abort();

    // Round trip through the writer, the key start taken from the input.
    const QString plain = dir.filePath(u"plain.bin"_s);
    const QString scrambled = dir.filePath(u"scrambled.bin"_s);
    const QString back = dir.filePath(u"back.bin"_s);
    const int keyStart = size >= 2 ? 1 + (data[0] | (data[1] << 8)) % ScrambleKeyTableSize : 1;
    QString error;
    if (!fuzz::WriteFile(plain, input) || !ScrambleFile(plain, scrambled, keyStart, &error))
        std::abort();
    if (!IsScrambledFile(scrambled) || !UnscrambleFile(scrambled, back, &error))
        std::abort();
    if (ReadAll(back) != input)
        std::abort();
    return 0;
}
