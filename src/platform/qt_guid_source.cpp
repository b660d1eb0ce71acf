#include "platform/qt_guid_source.h"

#include <QUuid>
#include <algorithm>

namespace yarvelin {

std::optional<Guid> CQtGuidSource::CreateGuid() {
    const QUuid uuid = QUuid::createUuid();
    if (uuid.isNull()) {
        return std::nullopt;
    }
    Guid guid;
    guid.data1 = uuid.data1;
    guid.data2 = uuid.data2;
    guid.data3 = uuid.data3;
    std::copy(std::begin(uuid.data4), std::end(uuid.data4), guid.data4.begin());
    return guid;
}

}  // namespace yarvelin
