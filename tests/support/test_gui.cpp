#include "support/test_gui.h"

#include <QFile>

namespace yarvelin {

CTestGui::CTestGui() {
    AppConfig config;
    config.knownHostsFile = QFile::encodeName(m_dir.filePath(QStringLiteral("known_hosts"))).toStdString();
    m_gui = std::make_unique<CYarvelinGui>(m_app, m_store, m_ui, config, m_dir.path());
}

}  // namespace yarvelin
