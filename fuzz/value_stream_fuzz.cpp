// Value streams come from files: any bytes must load as a value or raise an
// engine error, and a loaded value must save back to the bytes it came from.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/access/variant.h"
#include "engine/storage/exception.h"
#include "platform/rtl/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::TBytesStream stream(std::vector<std::uint8_t>(data, data + size));
  halvex::THalvexVariant value;
  try {
    value.LoadFromStream(stream);
  } catch (const halvex::EHalvexException&) {
    return 0;
  }
  const std::int64_t consumed = stream.Position();
  platform::TBytesStream saved;
  value.SaveToStream(saved);
  // A null value (also one of size 0, which has no buffer) is written as
  // type and flag only, whatever the flag byte held.
  if (!value.IsNull() && (static_cast<std::int64_t>(saved.Bytes().size()) != consumed ||
                std::memcmp(saved.Bytes().data(), data, saved.Bytes().size()) != 0))
    std::abort();
  try {
    halvex::THalvexVariant text(value);
    text.CastTo(3);
    (void)value.Compare(value, true, false, false);
    (void)value.Hash();
    (void)value.TextLength();
  } catch (const halvex::EHalvexException&) {
  }
  return 0;
}
