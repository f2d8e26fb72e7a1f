#pragma once
// A pass over the raw packets of an MPEG transport stream, without the
// demuxer: only the time stamps in the PES headers of one PID are read, so a
// whole file is scanned at the speed it is read from disk.
#include <cstdint>
#include <optional>

#include "video/ByteSource.h"

// Whether the decoding time of the PES packets on `pid` goes back anywhere in
// the file (recordings joined byte for byte each start their time stamps
// again). A wrap of the 33-bit clock is not a step back. Nothing when the
// bytes are not a transport stream or no PES header on `pid` carries a time.
// `same_time_on_key` (when given) is set when a random-access packet repeats
// the time of the one before: the demuxer's packets must tell whether that is a join.
std::optional<bool> TsDecodeTimeGoesBack(const ByteSource& file, int pid, bool* same_time_on_key = nullptr);

// A file that ends inside a transport packet was cut short: the byte of the
// packet that starts the last PES packet on `pid`, when its header gives no
// length (video), so the demuxer cannot tell it was cut. Nothing when the
// file ends on a packet boundary or is not a transport stream.
std::optional<uint64_t> TsCutPesStart(const ByteSource& file, int pid);
