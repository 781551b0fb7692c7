#pragma once
#include <cstddef>
#include <cstdint>
namespace halvex {
// Model parameters of the PPM coder. Order 2..16, memory 1..256 MiB.
struct TPpmParams {
  int Order;
  int MemoryMiB;
};
// Encodes n input bytes into out (capacity outCapacity). Returns true and sets outSize on success;
// false when the output does not fit, parameters are out of range or the model memory cannot be allocated.
// Never writes past out + outCapacity. Deterministic: same input and params give the same bytes on every machine.
bool PpmEncode(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t outCapacity, std::size_t& outSize,
               TPpmParams params);
// Decodes exactly expectedSize bytes from in (n bytes) into out. Returns false on corrupt/truncated input,
// bad parameters or when the model memory cannot be allocated; never reads past in + n nor writes past
// out + expectedSize, never loops forever (bounded by expectedSize symbols), never crashes on any input.
bool PpmDecode(const std::uint8_t* in, std::size_t n, std::uint8_t* out, std::size_t expectedSize, TPpmParams params);
}  // namespace halvex
