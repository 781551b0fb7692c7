// PLACEHOLDER: replaced by the real codec on integration
#include "engine/storage/ppm_codec.h"

namespace halvex {

bool PpmEncode(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t, std::size_t&, TPpmParams) { return false; }

bool PpmDecode(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t, TPpmParams) { return false; }

}  // namespace halvex
