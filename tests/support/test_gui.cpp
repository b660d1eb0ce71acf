#include "support/test_gui.h"

namespace yarvelin {

CTestGui::CTestGui() {
    m_gui = std::make_unique<CYarvelinGui>(m_app, m_store, m_ui, AppConfig{}, m_dir.path());
}

}  // namespace yarvelin
