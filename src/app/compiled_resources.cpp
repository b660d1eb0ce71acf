#include "app/compiled_resources.h"

#include <QtGlobal>

// Outside the namespace: the registration function is a global one generated from resources/yarvelin.qrc.
static void RegisterYarvelinResources() {
    Q_INIT_RESOURCE(yarvelin);
}

namespace yarvelin {

void RegisterGuiResources() {
    static const bool registered = (RegisterYarvelinResources(), true);
    (void)registered;
}

}  // namespace yarvelin
