// engine/storage/ppm_codec.h
#pragma once
#include <cstddef>
#include <cstdint>
namespace halvex {
struct TPpmParams { int Order; int MemoryMiB; };
bool PpmEncode(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t outCapacity, std::size_t& outSize, TPpmParams params);
bool PpmDecode(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t expectedSize, TPpmParams params);
}
