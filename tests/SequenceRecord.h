// Test helpers for the instance's font record and its stored block.
#pragma once

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "Host.h"
#include "overlay/SequenceData.h"

using Bytes = std::vector<uint8_t>;

// A block as flatten writes it.
inline Bytes Block(const std::string& name, uint8_t use_default)
{
    Bytes block(258, 0);
    block[0] = 1;
    std::memcpy(&block[1], name.data(), std::min<std::size_t>(name.size(), 255));
    block[257] = use_default;
    return block;
}

// The live instance's in-memory record.
inline SeqData& Record(standin::Host& host) { return *static_cast<SeqData*>(*host.in_data().sequence_data); }

// What the font dialog does: a new buffer replaces the old.
inline void SetName(standin::Host& host, const std::string& name, uint8_t use_default = 1)
{
    char* buffer = new (std::nothrow) char[name.size() + 1];
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    delete[] Record(host).font_name;
    Record(host).font_name = buffer;
    Record(host).use_default = use_default;
}

// A handle of the host's holding `bytes`, as a stored project hands it over.
inline PF_Handle Stored(standin::Host& host, const Bytes& bytes)
{
    const PF_Handle handle = host.handles().create(A_HandleSize(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(*handle));
    return handle;
}

// The bytes of a live handle's block; none for any other.
inline Bytes BytesOf(standin::Host& host, PF_Handle handle)
{
    const auto* bytes = handle && host.handles().live(handle) ? static_cast<const uint8_t*>(*handle) : nullptr;
    return bytes ? Bytes(bytes, bytes + host.handles().size(handle)) : Bytes{};
}

// What a sequence command gave back: its code, and the handle it wrote into
// out_data (null, with `written` false, when it wrote nothing there).
struct Handed {
    PF_Err err = PF_Err_NONE;
    PF_Handle handle = nullptr;
    bool written = false;
};

// Sends `cmd` with `incoming` in the input record.
inline Handed SendSequence(standin::Host& host, PF_Cmd cmd, PF_Handle incoming)
{
    static char mark;
    const PF_Handle unwritten = reinterpret_cast<PF_Handle>(&mark);
    host.in_data().sequence_data = incoming;
    host.out_data().sequence_data = unwritten;
    const PF_Err err = host.command(cmd);
    const PF_Handle out = std::exchange(host.out_data().sequence_data, nullptr);
    return {err, out != unwritten ? out : nullptr, out != unwritten};
}
