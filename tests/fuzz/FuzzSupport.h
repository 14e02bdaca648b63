#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Every fuzz target defines both entry points; libFuzzer calls them in the fuzz build, and
// FuzzReplayMain.cpp replays the checked-in corpus through them in every other build.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace zentil::fuzz {

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A private folder for the run's files, removed at exit.
QString ScratchFolder();

// Writes bytes to path, replacing the file; false when it could not be written.
bool WriteFile(const QString& path, const QByteArray& bytes);

} // namespace zentil::fuzz
