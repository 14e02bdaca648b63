#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace zentil {

// Scrambled files: "ZENTIL", a 16-bit little-endian key start (1 .. 10000), a reserved 16-bit
// value, then the body, each byte exclusive-or'ed with the key table from the key start on
// (wrapping from entry 10000 to entry 1).

inline constexpr int ScrambleKeyTableSize = 10000;
inline constexpr int ScrambleHeaderSize = 10;
using ScrambleKeyTable = std::array<uint8_t, ScrambleKeyTableSize>;

// The key table, computed once on first use and constant afterwards. Scrambled presentations
// can only be read with this exact table: the rule (documented in docs/architecture.md) must
// never change.
const ScrambleKeyTable& KeyTable();

// Index into the key table (0-based) for a 1-based key position; positions outside 1 .. 10000
// wrap around (0 means entry 10000).
int KeyTableIndex(int keyPosition);

// A fresh random eight-character name (a letter, then letters or digits) followed by the
// extension; the extension is trimmed and gets a leading "." when it lacks one.
QString MakeHiddenFileName(const QString& extension);
// Like MakeHiddenFileName, but never the name of a file that exists in folder.
QString MakeHiddenFileNameIn(const QString& folder, const QString& extension);

// Unscrambles the file in place when it carries the marker, and shortens it to its unscrambled
// length. Returns whether it did. Works in fixed-size blocks, whatever the file's size.
bool DecryptFile(const QString& fileName);

// Whether the file begins with the scrambled-file marker.
bool IsScrambledFile(const QString& fileName);

// Writes a scrambled copy of input to output (replacing it), the body starting at keyStart
// (1 .. 10000). On failure returns false and describes the problem in *error.
bool ScrambleFile(const QString& input, const QString& output, int keyStart, QString* error);
// Writes the unscrambled content of a scrambled input to output. A plain input is refused.
bool UnscrambleFile(const QString& input, const QString& output, QString* error);

} // namespace zentil
