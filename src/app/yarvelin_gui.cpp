#include "app/yarvelin_gui.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/compiled_resources.h"
#include "app/program_names.h"
#include "build_config.h"
#include "platform/qt_settings_store.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "widgets/combo_box_accessible.h"

namespace yarvelin {

CYarvelinGui::CYarvelinGui(CYarvelinApp& app, SettingsStore& store, UiServices& ui, AppConfig config,
                           QString programDir)
    : m_app(app), m_store(store), m_ui(ui), m_config(std::move(config)), m_programDir(std::move(programDir)) {
    RegisterGuiResources();
    InstallComboBoxAccessibility();
}

void CYarvelinGui::ShowAbout(QWidget* parent) {
    QDialog box(parent);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setWindowTitle(A("About Yarvelin"));
    auto* layout = new QVBoxLayout(&box);
    auto* row = new QHBoxLayout;
    auto* picture = new QLabel(&box);
    picture->setPixmap(QPixmap(QStringLiteral(":/icons/yarvelin.png"))
                           .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    row->addWidget(picture);
    row->addSpacing(12);
    auto* name = new QLabel(A("Yarvelin Version " YARVELIN_VERSION), &box);
    name->setObjectName(QStringLiteral("aboutName"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.2);
    name->setFont(nameFont);
    layout->setContentsMargins(18, 18, 18, 12);
    row->addWidget(name, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* ok = buttons->addButton(A("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* support = buttons->addButton(A("&Tech Support"), QDialogButtonBox::ActionRole);
    support->setObjectName(QStringLiteral("techSupportButton"));
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(support, &QPushButton::clicked, &box,
                     [this, &box] { OpenWebAddress(m_ui, &box, FromCp1252(m_config.techSupportUrl)); });
    layout->addWidget(buttons);
    box.exec();
}

bool ExitAndReportSettings(CYarvelinApp& app, CQtSettingsStore& store, UiServices& ui) {
    app.ExitInstance(store);
    if (!store.LastFlushFailed()) {
        return true;
    }
    const QString text =
        A("The settings could not be saved to %1:\n%2\nChanges to your options, defaults and "
          "recent files from this session are lost.")
            .arg(store.FilePath(), store.LastFlushReason());
    ui.MessageBox(nullptr, A(kAppTitle), text, MsgIcon::Exclamation, MsgButtons::Ok);
    return false;
}

}  // namespace yarvelin
