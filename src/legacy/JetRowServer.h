#pragma once

#include <QString>

// The reading process of an old ledger (pennyvale --read-access-rows FILE): reads the file with
// TJetReader and answers the conversion's requests on its standard input with frames on its
// standard output (JetRowStream). It limits its own memory and dies with the program that
// started it, so a damaged file that sends the library into an endless loop costs a bounded
// amount of memory and ends with it.
namespace JetRowServer {

// The address space the reader may take beyond what the process has at its start. A normal
// read of a ledger takes a few megabytes; a long memo a few more.
inline constexpr qint64 MemoryBudget = qint64(256) << 20;

// Runs the reading process on path; returns its exit code.
int Run(const QString& path);

} // namespace JetRowServer
