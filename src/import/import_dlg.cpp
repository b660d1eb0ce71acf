#include "import/import_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/dialog_start_path.h"
#include "app/yarvelin_gui.h"
#include "handfiles/hand_file.h"
#include "import/import_error.h"
#include "import/map_file.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

namespace yarvelin {

namespace {

const char* const kMapFilter = "Column maps (*.toml)|*.toml|All Files (*.*)|*.*||";

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void ShowTransforms(QPushButton* button, unsigned transforms) {
    QStringList names;
    for (QAction* action : button->menu()->actions()) {
        action->setChecked((transforms & action->data().toUInt()) != 0);
        if (action->isChecked()) {
            names << action->text();
        }
    }
    button->setText(names.isEmpty() ? A("none") : names.join(A(", ")));
}

unsigned ChosenTransforms(const QPushButton* button) {
    unsigned transforms = 0;
    for (const QAction* action : button->menu()->actions()) {
        transforms |= action->isChecked() ? action->data().toUInt() : 0;
    }
    return transforms;
}

// The transformations a row can choose, those this program knows, in the order a merchant meets them.
std::vector<std::pair<std::string, unsigned>> KnownTransforms() {
    std::vector<std::pair<std::string, unsigned>> known;
    for (const char* name :
         {"first_item", "category_path", "deepest_item", "yes_no", "keep_html", "currency_code"}) {
        if (const unsigned flag = TransformFromName(name); flag != 0) {
            known.emplace_back(name, flag);
        }
    }
    return known;
}

// The button shows the row's transformations; its menu ticks them on and off.
QPushButton* MakeTransformButton(int column, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("transforms_") + A(kColumnNames[column]));
    button->setAccessibleName(A("Transformations of ") + A(kColumnNames[column]));
    button->setAutoDefault(false);
    auto* menu = new QMenu(button);
    for (const auto& [name, flag] : KnownTransforms()) {
        QAction* action = menu->addAction(Utf8(name));
        action->setCheckable(true);
        action->setData(flag);
    }
    QObject::connect(menu, &QMenu::triggered, button,
                     [button] { ShowTransforms(button, ChosenTransforms(button)); });
    button->setMenu(menu);
    return button;
}

}  // namespace

CImportDlg::CImportDlg(CYarvelinGui& gui, const QString& exportPath, QWidget* parent)
    : QDialog(parent), m_gui(gui), m_path(ToPath(exportPath)) {
    setObjectName(QStringLiteral("CImportDlg"));
    setWindowTitle(A("Import a Shop Export - ") + QFileInfo(exportPath).fileName());

    m_profile = new QComboBox(this);
    m_profile->setObjectName(QStringLiteral("profileCombo"));
    m_profile->setAccessibleName(A("Profile:"));
    m_baseUrl = new QLineEdit(this);
    m_baseUrl->setObjectName(QStringLiteral("baseUrlEdit"));
    m_baseUrl->setPlaceholderText(A("https://shop.example.com"));
    m_currency = new QLineEdit(this);
    m_currency->setObjectName(QStringLiteral("currencyEdit"));
    m_currency->setMaxLength(3);
    m_currency->setPlaceholderText(A("USD"));
    connect(m_currency, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text != text.toUpper()) {
            m_currency->setText(text.toUpper());
        }
    });

    // A second file (stock, prices) merged into the products by key; its columns named like the feed's.
    m_mergePath = new QLineEdit(this);
    m_mergePath->setObjectName(QStringLiteral("mergePathEdit"));
    m_mergePath->setAccessibleName(A("Merge file"));
    m_mergePath->setReadOnly(true);
    m_mergePath->setPlaceholderText(A("none"));
    auto* mergeFile = new QPushButton(A("&Merge File..."), this);
    mergeFile->setObjectName(QStringLiteral("mergeFileButton"));
    mergeFile->setAutoDefault(false);
    m_mergeKey = new QComboBox(this);
    m_mergeKey->setObjectName(QStringLiteral("mergeKeyCombo"));
    m_mergeKey->setAccessibleName(A("Merge key column:"));
    m_mergeKey->setEditable(true);

    m_mapTable = new QTableWidget(kColumnCount, 3, this);
    m_mapTable->setObjectName(QStringLiteral("mapTable"));
    m_mapTable->setAccessibleName(A("Column map"));
    m_mapTable->setHorizontalHeaderLabels(
        {A("Feed column"), A("Template ({Column} | alternative)"), A("Transformations")});
    m_mapTable->verticalHeader()->hide();
    m_mapTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_mapTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int k = 0; k < kColumnCount; ++k) {
        auto* name = new QTableWidgetItem(A(kColumnNames[k]));
        name->setFlags(Qt::ItemIsEnabled);
        m_mapTable->setItem(k, 0, name);
        auto* templ = new QComboBox(m_mapTable);
        templ->setObjectName(QStringLiteral("template_") + A(kColumnNames[k]));
        templ->setEditable(true);
        templ->setInsertPolicy(QComboBox::NoInsert);
        m_mapTable->setCellWidget(k, 1, templ);
        m_templates.push_back(templ);
        m_transforms.push_back(MakeTransformButton(k, m_mapTable));
        m_mapTable->setCellWidget(k, 2, m_transforms.back());
    }

    m_preview = new QTableWidget(0, kColumnCount, this);
    m_preview->setObjectName(QStringLiteral("previewTable"));
    m_preview->setAccessibleName(A("Preview of the first products"));
    QStringList names;
    for (const char* name : kColumnNames) {
        names << A(name);
    }
    m_preview->setHorizontalHeaderLabels(names);
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("countsLabel"));
    m_counts->setWordWrap(true);
    m_counts->setTextFormat(Qt::PlainText);
    m_skipped = new QListWidget(this);
    m_skipped->setObjectName(QStringLiteral("skippedList"));
    m_skipped->setAccessibleName(A("Skipped rows"));

    auto* refresh = new QPushButton(A("Pre&view"), this);
    refresh->setObjectName(QStringLiteral("previewButton"));
    auto* load = new QPushButton(A("&Load Map..."), this);
    load->setObjectName(QStringLiteral("loadMapButton"));
    auto* save = new QPushButton(A("&Save Map..."), this);
    save->setObjectName(QStringLiteral("saveMapButton"));
    for (QPushButton* b : {refresh, load, save}) {
        b->setAutoDefault(false);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(QStringLiteral("okButton"));

    // Left: where the export comes from and the map; right: what it makes.
    auto* form = new QFormLayout;
    form->addRow(A("&Profile:"), m_profile);
    form->addRow(A("Shop &address ({base}):"), m_baseUrl);
    form->addRow(A("&Currency:"), m_currency);
    auto* mergeRow = new QHBoxLayout;
    mergeRow->addWidget(m_mergePath, 1);
    mergeRow->addWidget(mergeFile);
    form->addRow(A("Merge file:"), mergeRow);
    form->addRow(A("Merge &key column:"), m_mergeKey);
    auto* mapButtons = new QHBoxLayout;
    mapButtons->addWidget(load);
    mapButtons->addWidget(save);
    mapButtons->addStretch(1);
    mapButtons->addWidget(refresh);
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(form);
    leftLayout->addWidget(m_mapTable, 1);
    leftLayout->addLayout(mapButtons);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(new QLabel(A("Preview of the first products:"), right));
    rightLayout->addWidget(m_preview, 3);
    rightLayout->addWidget(m_counts);
    rightLayout->addWidget(new QLabel(A("Skipped rows:"), right));
    rightLayout->addWidget(m_skipped, 1);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({560, 640});
    auto* top = new QVBoxLayout(this);
    top->addWidget(splitter, 1);
    top->addWidget(buttons);
    resize(1200, 660);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(refresh, &QPushButton::clicked, this, &CImportDlg::RefreshPreview);
    connect(load, &QPushButton::clicked, this, &CImportDlg::LoadMap);
    connect(save, &QPushButton::clicked, this, &CImportDlg::SaveMap);
    connect(mergeFile, &QPushButton::clicked, this, &CImportDlg::ChooseMergeFile);

    try {
        m_profiles =
            LoadProfiles(ToPath(gui.ProgramDir() + QDir::separator() + QString::fromLatin1(kMapsFolder)));
        m_header = ReadExportHeader(m_path);
    } catch (const std::exception& e) {
        m_counts->setText(FromPath(e.what()));
        m_ok->setEnabled(false);
        return;
    }
    for (QComboBox* templ : m_templates) {
        for (const std::string& column : m_header.columns) {
            templ->addItem(QLatin1Char('{') + Utf8(column) + QLatin1Char('}'));
        }
    }
    for (const ColumnMap& p : m_profiles) {
        m_profile->addItem(Utf8(p.title.empty() ? p.name : p.title));
    }
    const int detected = DetectProfile(m_profiles, m_header.columns);
    m_profile->setCurrentIndex(detected);
    ChooseProfile(detected);
    connect(m_profile, &QComboBox::activated, this, &CImportDlg::ChooseProfile);
}

void CImportDlg::ShowMap(const ColumnMap& map) {
    m_map = map;
    for (int k = 0; k < kColumnCount; ++k) {
        m_templates[k]->setEditText(Utf8(map.templates[k]));
        ShowTransforms(m_transforms[k], map.transforms[k]);
    }
    // A map of one's own brings back the address and currency it was saved with; a profile keeps what
    // the boxes hold.
    if (!map.baseUrl.empty()) {
        m_baseUrl->setText(Utf8(map.baseUrl));
    }
    if (!map.currency.empty()) {
        m_currency->setText(Utf8(map.currency));
    }
    // What an empty box means: the map's own currency column, or nothing at all.
    const std::string& currency = map.templates[kColCurrency];
    m_currency->setPlaceholderText(currency.empty()                          ? A("none: left empty")
                                   : currency.find('{') == std::string::npos ? Utf8(currency)
                                                                             : A("from ") + Utf8(currency));
}

void CImportDlg::ChooseProfile(int index) {
    if (index < 0 || index >= static_cast<int>(m_profiles.size())) {
        return;
    }
    ShowMap(m_profiles[index]);
    RefreshPreview();
}

ImportSettings CImportDlg::Settings() const {
    ImportSettings settings;
    settings.map = m_map;
    settings.strictColumns.assign(kColumnCount, false);
    for (int k = 0; k < kColumnCount; ++k) {
        const std::string text = ToUtf8(m_templates[k]->currentText().trimmed());
        // A template the user changed is checked against the export even in a lenient profile.
        if (text != m_map.templates[k]) {
            settings.map.templates[k] = text;
            settings.strictColumns[k] = true;
        }
        settings.map.transforms[k] = ChosenTransforms(m_transforms[k]);
    }
    settings.separator = m_header.separator;
    settings.baseUrl = ToUtf8(m_baseUrl->text().trimmed());
    settings.currency = ToCp1252(m_currency->text().trimmed().toUpper());
    if (!m_mergePath->text().isEmpty() && !m_mergeKey->currentText().trimmed().isEmpty()) {
        settings.merges.push_back(
            {ToPath(m_mergePath->text()), ToUtf8(m_mergeKey->currentText().trimmed()), {}, 0});
    }
    return settings;
}

void CImportDlg::RefreshPreview() {
    m_preview->setRowCount(0);
    m_skipped->clear();
    std::vector<COtherRecord> first;
    try {
        const ImportCounts counts = ReadShopExport(m_path, Settings(), [&first](COtherRecord& r, long long) {
            if (first.size() < kPreviewRows) {
                first.push_back(r);
            }
        });
        QString byReason;
        for (const auto& [reason, count] : counts.skippedByReason) {
            byReason += (byReason.isEmpty() ? A(" (") : A(", ")) + FromCp1252(reason) + A(": ") +
                        QString::number(count);
        }
        m_counts->setText(A("Rows read: ") + QString::number(counts.rowsRead) + A("    Products made: ") +
                          QString::number(counts.products) + A("    Rows skipped: ") +
                          QString::number(counts.rowsSkipped) + byReason +
                          (byReason.isEmpty() ? A("") : A(")")));
        for (const SkippedRow& row : counts.skipped) {
            m_skipped->addItem(A("Line ") + QString::number(row.line) + A(": ") + FromCp1252(row.reason));
        }
        for (const MergeCounts& merge : counts.merges) {
            m_counts->setText(m_counts->text() + A("\n") + FromPath(MergeSummary(merge)));
            for (const MergeNote& note : merge.notes) {
                m_skipped->addItem(FromPath(merge.path) + A(" line ") + QString::number(note.line) + A(": ") +
                                   FromCp1252(note.Text()));
            }
        }
        m_ok->setEnabled(counts.products > 0);
    } catch (const CImportError& e) {
        const std::string what = e.what();
        m_counts->setText(Utf8(what) + (what.find(kNoShopAddress) != std::string::npos
                                            ? A(": enter it in the Shop address box.")
                                            : QString()));
        m_ok->setEnabled(false);
        return;
    }
    m_preview->setRowCount(static_cast<int>(first.size()));
    for (int r = 0; r < static_cast<int>(first.size()); ++r) {
        for (int k = 0; k < kColumnCount; ++k) {
            m_preview->setItem(r, k, new QTableWidgetItem(FromCp1252(first[r].Field(k))));
        }
    }
}

void CImportDlg::ChooseMergeFile() {
    FileDialogRequest request;
    request.filter =
        A("Shop files (*.csv;*.tsv;*.txt;*.xml;*.xlsx;*.ods)|*.csv;*.tsv;*.txt;*.xml;*.xlsx;*.ods|"
          "All Files (*.*)|*.*||");
    const auto path = m_gui.Ui().OpenFileDialog(this, request);
    if (!path) {
        return;
    }
    m_mergeKey->clear();
    try {
        for (const std::string& column : ReadExportHeader(ToPath(*path)).columns) {
            m_mergeKey->addItem(Utf8(column));
        }
    } catch (const CImportError& e) {
        m_gui.Ui().MessageBox(this, A("Yarvelin"), *path + A(": ") + FromPath(e.what()), MsgIcon::Exclamation,
                              MsgButtons::Ok);
        return;
    }
    m_mergePath->setText(*path);
    // The key is most often the SKU or the offer id.
    for (const char* name : {"offer_id", "sku", "id"}) {
        const int found = m_mergeKey->findText(A(name), Qt::MatchFixedString);
        if (found >= 0) {
            m_mergeKey->setCurrentIndex(found);
            break;
        }
    }
    RefreshPreview();
}

void CImportDlg::LoadMap() {
    FileDialogRequest request;
    request.filter = A(kMapFilter);
    request.defaultExt = A("toml");
    const auto path = m_gui.Ui().OpenFileDialog(this, request);
    if (!path) {
        return;
    }
    try {
        ShowMap(LoadColumnMap(ToPath(*path)));
    } catch (const CHandFileError& e) {
        m_gui.Ui().MessageBox(this, A("Yarvelin"), FromPath(e.what()), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    RefreshPreview();
}

void CImportDlg::SaveMap() {
    FileDialogRequest request;
    request.filter = A(kMapFilter);
    request.defaultExt = A("toml");
    request.overwritePrompt = true;
    // Maps of one's own are kept together in the configuration, where Load Map finds them again.
    request.startFolder = DialogStartFolderFor(m_gui, DialogFileKind::kMap, m_gui.Document().FileName());
    const auto path = m_gui.Ui().SaveFileDialog(this, request);
    if (!path) {
        return;
    }
    const ImportSettings settings = Settings();
    ColumnMap map = settings.map;
    map.name.clear();  // a map of one's own, no longer the profile it started from
    map.baseUrl = settings.baseUrl;
    map.currency = settings.currency;
    if (const std::string err = SaveColumnMap(ToPath(*path), map); !err.empty()) {
        m_gui.Ui().MessageBox(this, A("Yarvelin"), *path + A(": ") + FromPath(err), MsgIcon::Exclamation,
                              MsgButtons::Ok);
    }
}

}  // namespace yarvelin
