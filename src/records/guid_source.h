// Where generated offer identifiers get their uniqueness from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace yarvelin {

// A 128-bit identifier in its four traditional parts.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
};

class GuidSource {
  public:
    virtual ~GuidSource() = default;
    // A new identifier, or nothing when none can be made.
    virtual std::optional<Guid> CreateGuid() = 0;
};

}  // namespace yarvelin
