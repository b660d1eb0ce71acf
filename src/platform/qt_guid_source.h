// Offer identifiers from Qt's random 128-bit UUIDs.
#pragma once

#include "records/guid_source.h"

namespace yarvelin {

class CQtGuidSource : public GuidSource {
  public:
    std::optional<Guid> CreateGuid() override;
};

}  // namespace yarvelin
