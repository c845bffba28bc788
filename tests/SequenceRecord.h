// Test helpers for the instance's font record and its stored block.
#pragma once

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
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
inline SeqData& Record(standin::Host& host)
{
    return *static_cast<SeqData*>(*host.in_data().sequence_data);
}

// What the font dialog does: a new buffer replaces the old.
inline void SetName(standin::Host& host, const std::string& name, uint8_t use_default = 1)
{
    char* buffer = new (std::nothrow) char[name.size() + 1];
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    delete[] Record(host).font_name;
    Record(host).font_name = buffer;
    Record(host).use_default = use_default;
}
