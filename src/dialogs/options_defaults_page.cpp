#include "dialogs/options_defaults_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/program_names.h"
#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/number_text.h"

namespace yarvelin {

namespace {

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QComboBox* MakeCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is what is stored: no inline completion from the list.
    combo->setCompleter(nullptr);
    combo->setMaxVisibleItems(20);
    return combo;
}

void FillCombo(QComboBox* combo, const std::vector<std::string>& entries) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(entries.size()));
    for (const std::string& e : entries) {
        texts << FromCp1252(e);
    }
    combo->clear();
    combo->addItems(texts);
}

}  // namespace

COptions2::COptions2(CYarvelinGui& gui, QWidget* parent) : COptionsPage(parent), m_gui(gui) {
    setObjectName(QStringLiteral("optionsDefaultsPage"));
    auto* grid = new QGridLayout(this);

    auto* urls = new QGroupBox(A("Product && Images URLs"), this);
    auto* urlsForm = new QFormLayout(urls);
    m_productUrl = MakeEdit(urls, "defProductUrl");
    m_imageUrl = MakeEdit(urls, "defImageUrl");
    m_categories = MakeCombo(urls, "defCategories");
    urlsForm->addRow(A("Product URL:"), m_productUrl);
    urlsForm->addRow(A("Image URL:"), m_imageUrl);
    urlsForm->addRow(A("Categories:"), m_categories);
    grid->addWidget(urls, 0, 0, 1, 2);

    auto* pricing = new QGroupBox(A("Pricing"), this);
    auto* pricingForm = new QFormLayout(pricing);
    m_price = MakeEdit(pricing, "defPrice");
    m_shipping = MakeEdit(pricing, "defShipping");
    pricingForm->addRow(A("Price: "), m_price);
    pricingForm->addRow(A("Shipping:"), m_shipping);
    pricingForm->addRow(new QLabel(A("(Numeric values; don't add -$)"), pricing));
    grid->addWidget(pricing, 1, 0);

    auto* other = new QGroupBox(A("Other Options"), this);
    auto* otherBox = new QVBoxLayout(other);
    m_noExpiry = new QCheckBox(A("No Expiry Date"), other);
    m_noExpiry->setObjectName(QStringLiteral("defNoExpiry"));
    m_inStock = new QCheckBox(A("Always In Stock"), other);
    m_inStock->setObjectName(QStringLiteral("defInStock"));
    m_autoGen = new QCheckBox(A("Autogenerate Offer ID"), other);
    m_autoGen->setObjectName(QStringLiteral("defAutoGen"));
    otherBox->addWidget(m_noExpiry);
    otherBox->addWidget(m_inStock);
    otherBox->addWidget(m_autoGen);
    otherBox->addStretch(1);
    grid->addWidget(other, 1, 1);

    auto* ids = new QGroupBox(A("Identifiers (if applicable)"), this);
    auto* idsForm = new QFormLayout(ids);
    m_productId = MakeEdit(ids, "defProductId");
    m_manufacturerId = MakeEdit(ids, "defManufacturerId");
    m_upc = MakeEdit(ids, "defUpc");
    idsForm->addRow(A("Product ID: "), m_productId);
    idsForm->addRow(A("Manufact ID: "), m_manufacturerId);
    idsForm->addRow(A("UPC: "), m_upc);
    grid->addWidget(ids, 2, 0);

    auto* looks = new QGroupBox(A("Colors, Sizes && Brand  (if applicable)"), this);
    auto* looksForm = new QFormLayout(looks);
    m_colors = MakeCombo(looks, "defColors");
    m_sizes = MakeCombo(looks, "defSizes");
    m_brand = MakeEdit(looks, "defBrand");
    looksForm->addRow(A("Colors: "), m_colors);
    looksForm->addRow(A("Sizes: "), m_sizes);
    looksForm->addRow(A("Brand: "), m_brand);
    grid->addWidget(looks, 2, 1);
    grid->setRowStretch(3, 1);
}

void COptions2::showEvent(QShowEvent* event) {
    // Loaded when first shown, so that list changes made on the Parameters page before are offered.
    if (!m_loaded) {
        Load();
    }
    COptionsPage::showEvent(event);
}

void COptions2::Load() {
    m_loaded = true;
    CYarvelinApp& app = m_gui.App();
    FillCombo(m_sizes, app.Sizes());
    FillCombo(m_colors, app.Colors());
    FillCombo(m_categories, app.Categories());
    m_values = LoadDefaultValues(app);
    const auto& t = m_values.texts;
    m_productUrl->setText(FromCp1252(t[kDefProductUrl]));
    m_imageUrl->setText(FromCp1252(t[kDefImageUrl]));
    m_categories->setEditText(FromCp1252(t[kDefCategory]));
    m_price->setText(FromCp1252(FormatGeneral(static_cast<double>(m_values.price), 6)));
    m_shipping->setText(FromCp1252(FormatGeneral(static_cast<double>(m_values.shipping), 6)));
    m_productId->setText(FromCp1252(t[kDefProductId]));
    m_manufacturerId->setText(FromCp1252(t[kDefManufacturerId]));
    m_upc->setText(FromCp1252(t[kDefUpc]));
    m_colors->setEditText(FromCp1252(t[kDefColor]));
    m_sizes->setEditText(FromCp1252(t[kDefSize]));
    m_brand->setText(FromCp1252(t[kDefBrand]));
    m_noExpiry->setChecked(m_values.noExpiryDate);
    m_inStock->setChecked(m_values.alwaysInStock);
    m_autoGen->setChecked(m_values.autoGenOfferId);

    // Connected after loading, so that opening the page leaves Apply off.
    for (QLineEdit* edit :
         {m_productUrl, m_imageUrl, m_price, m_shipping, m_productId, m_manufacturerId, m_upc, m_brand}) {
        connect(edit, &QLineEdit::textChanged, this, [this] { SetModified(); });
    }
    for (QComboBox* combo : {m_categories, m_colors, m_sizes}) {
        connect(combo, &QComboBox::activated, this, [this] { SetModified(); });
    }
    for (QCheckBox* box : {m_noExpiry, m_inStock, m_autoGen}) {
        connect(box, &QCheckBox::clicked, this, [this] { SetModified(); });
    }
}

bool COptions2::ReadControls() {
    if (RefuseUnstorableText(m_gui.Ui(), this,
                             {{m_productUrl, m_productUrl->text()},
                              {m_imageUrl, m_imageUrl->text()},
                              {m_categories, m_categories->currentText()},
                              {m_price, m_price->text()},
                              {m_shipping, m_shipping->text()},
                              {m_productId, m_productId->text()},
                              {m_manufacturerId, m_manufacturerId->text()},
                              {m_upc, m_upc->text()},
                              {m_colors, m_colors->currentText()},
                              {m_sizes, m_sizes->currentText()},
                              {m_brand, m_brand->text()}})) {
        return false;
    }
    const auto error = ReadDefaultNumbers(ToCp1252(m_price->text()), ToCp1252(m_shipping->text()), m_values);
    if (error) {
        QLineEdit* box = error->defIndex == kDefPrice ? m_price : m_shipping;
        m_gui.Ui().MessageBox(this, A(kAppTitle), FromCp1252(error->message), MsgIcon::Exclamation,
                              MsgButtons::Ok);
        box->setFocus();
        box->selectAll();
        return false;
    }
    auto& t = m_values.texts;
    t[kDefProductUrl] = ToCp1252(m_productUrl->text());
    t[kDefImageUrl] = ToCp1252(m_imageUrl->text());
    t[kDefCategory] = ToCp1252(m_categories->currentText());
    t[kDefProductId] = ToCp1252(m_productId->text());
    t[kDefManufacturerId] = ToCp1252(m_manufacturerId->text());
    t[kDefUpc] = ToCp1252(m_upc->text());
    t[kDefColor] = ToCp1252(m_colors->currentText());
    t[kDefSize] = ToCp1252(m_sizes->currentText());
    t[kDefBrand] = ToCp1252(m_brand->text());
    m_values.noExpiryDate = m_noExpiry->isChecked();
    m_values.alwaysInStock = m_inStock->isChecked();
    m_values.autoGenOfferId = m_autoGen->isChecked();
    return true;
}

bool COptions2::OnKillActive() {
    return !m_loaded || ReadControls();
}

void COptions2::OnApply() {
    if (m_loaded) {
        StoreDefaultValues(m_values, m_gui.App());
    }
}

}  // namespace yarvelin
