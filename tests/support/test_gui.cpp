#include "support/test_gui.h"

#include "platform/text_codec.h"

namespace yarvelin {

CTestGui::CTestGui() {
    AppConfig config;
    config.knownHostsFile = ToPath(m_dir.filePath(QStringLiteral("known_hosts")));
    config.uploadCountFile = ToPath(m_dir.filePath(QStringLiteral("upload-counts")));
    m_gui = std::make_unique<CYarvelinGui>(m_app, m_store, m_ui, config, m_dir.path());
}

}  // namespace yarvelin
