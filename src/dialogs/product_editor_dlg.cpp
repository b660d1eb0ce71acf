#include "dialogs/product_editor_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QValidator>
#include <utility>

#include "app/program_names.h"
#include "app/yarvelin_gui.h"
#include "platform/qt_guid_source.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/builtin_lists.h"
#include "records/number_text.h"
#include "records/text_util.h"
#include "widgets/animated_label.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

namespace {

const QColor kNormalBackground(252, 239, 194);
const QColor kNormalText(20, 20, 20);
const QColor kErrorBackground(255, 255, 235);
const QColor kErrorText(215, 0, 0);
constexpr int kHelpFadeSteps = 50;
constexpr int kErrorFadeSteps = 20;

// Refuses typing beyond the longest name; a longer name loaded from a file stays until it is stored.
class CNameLengthValidator : public QValidator {
  public:
    explicit CNameLengthValidator(QLineEdit* edit) : QValidator(edit) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_length = text.size(); });
    }
    State validate(QString& input, int&) const override {
        const qsizetype limit = static_cast<qsizetype>(kMaxProductNameLength);
        return input.size() > limit && input.size() > m_length ? Invalid : Acceptable;
    }

  private:
    qsizetype m_length = 0;  // of the text before the change being validated
};

QDate ToQDate(const LocalDateTime& d) {
    return QDate(d.year, d.month, d.day);
}

}  // namespace

CNewProductDlg::CNewProductDlg(CYarvelinGui& gui, std::optional<std::size_t> editPosition, QWidget* parent)
    : CNewProductDlg(gui, editPosition, *new CQtGuidSource, parent) {
    m_ownGuids.reset(&m_guids);
}

CNewProductDlg::CNewProductDlg(CYarvelinGui& gui, std::optional<std::size_t> editPosition, GuidSource& guids,
                               QWidget* parent)
    : QDialog(parent), m_gui(gui), m_editPosition(editPosition), m_guids(guids) {
    setObjectName(QStringLiteral("productEditor"));
    setWindowTitle(A("New Product"));
    CYarvelinApp& app = gui.App();
    if (m_editPosition && *m_editPosition >= app.Document().Count()) {
        m_editPosition.reset();
    }
    const LocalDateTime now = CurrentLocalDateTime();
    if (m_editPosition) {
        m_form.expiryDate = now;
        // Read only: a record taken for changing would make the document learn its offer ids again.
        LoadProductForm(std::as_const(app.Document()).At(*m_editPosition), app.Currencies(), m_form);
    } else {
        m_form = NewProductForm(app, now);
    }
    BuildControls();
    ShowForm();

    if (m_editPosition) {
        m_offerId->setEnabled(true);
        m_autogenerate->setEnabled(false);
        m_store->setText(A("Save Changes"));
    } else {
        m_offerId->setEnabled(true);
        m_autogenerate->setEnabled(true);
    }
    m_expiry->setEnabled(!m_form.doesNotExpire);

    SetNormalState();
    m_help1->SetText(A(" See this place for help & tips on filling up the various fields"), {},
                     kHelpFadeSteps);
    m_help2->SetText(A(" "), {}, kHelpFadeSteps);

    if (!m_editPosition) {
        Autogenerate();
    }
    // The dialog opens on the first field the user can type into, not on the check box beside it.
    (m_offerId->isEnabled() ? static_cast<QWidget*>(m_offerId) : m_name)->setFocus();
    // Counters start blank and follow the user's changes from here on.
    connect(m_name, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_nameCount->setText(A("%d chars").replace(QStringLiteral("%d"), QString::number(text.size())));
    });
    connect(m_description, &QPlainTextEdit::textChanged, this, [this] {
        m_descriptionCount->setText(
            A("%d chars")
                .replace(QStringLiteral("%d"), QString::number(m_description->toPlainText().size())));
    });
    connect(qApp, &QApplication::focusChanged, this, &CNewProductDlg::OnFocusChanged);
}

CNewProductDlg::~CNewProductDlg() {
    // Hiding the dialog on the way out moves the focus; the controls are half gone by then.
    disconnect(qApp, nullptr, this, nullptr);
}

void CNewProductDlg::BuildControls() {
    CYarvelinApp& app = m_gui.App();
    auto* layout = new QVBoxLayout(this);

    const auto makeBoldLabel = [this](const char* text, const char* name) {
        auto* label = new CAnimatedLabel(this);
        label->setObjectName(QLatin1String(name));
        label->SetBackgroundColor(palette().color(QPalette::Button));
        label->SetBorder(false);
        label->SetExtraFormatFlags(0);
        label->SetMainFontBold(true);
        label->SetText(A(text), {}, 0);
        label->setMinimumWidth(label->sizeHint().width());
        return label;
    };
    const auto makeEdit = [this](const char* name) { return MakeLineEdit(name, this); };
    const auto makeCombo = [this](const char* name, const std::vector<std::string>& entries, bool editable) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QString::fromLatin1(name));
        combo->setEditable(editable);
        if (editable) {
            combo->setInsertPolicy(QComboBox::NoInsert);
            // Inline completion would store "Office > Office Equipment > Calculators" for a typed "Office".
            combo->setCompleter(nullptr);
        }
        combo->setMaxVisibleItems(20);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMinimumContentsLength(12);
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(entries.size()));
        for (const std::string& e : entries) {
            texts << FromCp1252(e);
        }
        combo->addItems(texts);
        return combo;
    };
    const auto plainLabel = [this](const char* text) { return new QLabel(A(text), this); };

    layout->addWidget(makeBoldLabel(
        "Compulsory fields - fields that must be filled up are marked in bold & by an asterix (*)",
        "compulsoryNote"));

    auto* columns = new QHBoxLayout;
    auto* left = new QGridLayout;
    auto* right = new QGridLayout;
    columns->addLayout(left, 3);
    columns->addSpacing(12);
    columns->addLayout(right, 2);
    layout->addLayout(columns, 1);

    // Each caption is made after its field and the control beside it; the children keep the order they
    // have always had.
    CGridRows leftRows(left);
    m_offerId = makeEdit("offerIdEdit");
    m_offerId->setMinimumWidth(m_offerId->fontMetrics().horizontalAdvance(QString(34, QLatin1Char('D'))));
    m_autogenerate = MakeCheckBox("Autogenerate Offer ID", "autogenerateCheck", this);
    leftRows.Add(makeBoldLabel("Offer ID (*):", "offerIdLabel"), m_offerId, 1, m_autogenerate);
    m_name = makeEdit("nameEdit");
    m_name->setValidator(new CNameLengthValidator(m_name));
    m_nameCount = new QLabel(this);
    m_nameCount->setObjectName(QStringLiteral("nameCount"));
    m_nameCount->setMinimumWidth(70);
    leftRows.Add(makeBoldLabel("Product Name (*):", "nameLabel"), m_name, 1, m_nameCount);
    m_description = new QPlainTextEdit(this);
    m_description->setObjectName(QStringLiteral("descriptionEdit"));
    m_description->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_description->setTabChangesFocus(true);
    m_description->setMinimumHeight(90);
    m_descriptionCount = new QLabel(this);
    m_descriptionCount->setObjectName(QStringLiteral("descriptionCount"));
    left->setRowStretch(leftRows.Add(makeBoldLabel("Description (*):", "descriptionLabel"), m_description, 1,
                                     m_descriptionCount, Qt::AlignTop),
                        1);
    m_productUrl = makeEdit("productUrlEdit");
    leftRows.Add(makeBoldLabel("Product Page URL (*):", "productUrlLabel"), m_productUrl, 2);
    m_imageUrl = makeEdit("imageUrlEdit");
    leftRows.Add(makeBoldLabel("Product Image URL (*):", "imageUrlLabel"), m_imageUrl, 2);
    m_category = makeCombo("categoryCombo", app.Categories(), true);
    leftRows.Add(makeBoldLabel("Category (*):", "categoryLabel"), m_category, 2);
    m_price = makeEdit("priceEdit");
    leftRows.Add(makeBoldLabel("Product Price (*):", "priceLabel"), m_price);
    m_shipping = makeEdit("shippingEdit");
    leftRows.Add(plainLabel("Shipping Charges:"), m_shipping);
    m_currency = makeCombo("currencyCombo", CurrencyEntries(), false);
    leftRows.Add(plainLabel("Currency: "), m_currency);
    left->setColumnStretch(1, 1);
    for (QLineEdit* number : {m_price, m_shipping}) {
        number->setMaximumWidth(160);
    }

    CGridRows rightRows(right);
    m_brand = makeEdit("brandEdit");
    rightRows.Add(plainLabel("Brand: "), m_brand, 2);
    m_upc = makeEdit("upcEdit");
    rightRows.Add(plainLabel("UPC: "), m_upc, 2);
    m_productId = makeEdit("productIdEdit");
    rightRows.Add(plainLabel("Product ID: "), m_productId, 2);
    m_manufacturerId = makeEdit("manufacturerIdEdit");
    rightRows.Add(plainLabel("Manufacturer's ID:"), m_manufacturerId, 2);
    m_color = makeCombo("colorCombo", app.Colors(), true);
    rightRows.Add(plainLabel("Colors: "), m_color, 2);
    m_size = makeCombo("sizeCombo", app.Sizes(), true);
    rightRows.Add(plainLabel("Sizes: "), m_size, 2);
    m_inStock = MakeCheckBox("Yes, currently in stock", "inStockCheck", this);
    rightRows.Add(nullptr, m_inStock, 2);
    m_expiry = new QDateEdit(this);
    m_expiry->setObjectName(QStringLiteral("expiryDateEdit"));
    m_expiry->setCalendarPopup(true);
    m_expiry->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    m_expiry->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    QLabel* expiryLabel = plainLabel("Expiry Date: ");
    m_doesNotExpire = MakeCheckBox("Does not expire", "doesNotExpireCheck", this);
    right->setRowStretch(rightRows.Add(expiryLabel, m_expiry, 1, m_doesNotExpire) + 1, 1);
    right->setColumnStretch(1, 1);

    m_help1 = new CAnimatedLabel(this);
    m_help1->setObjectName(QStringLiteral("helpLine1"));
    m_help2 = new CAnimatedLabel(this);
    m_help2->setObjectName(QStringLiteral("helpLine2"));
    for (CAnimatedLabel* line : {m_help1, m_help2}) {
        line->SetBorder(false);
        line->setMinimumHeight(20);
        line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        layout->addWidget(line);
    }
    layout->setSpacing(6);

    auto* buttons = new QHBoxLayout;
    m_options = MakePushButton("&Options...", "optionsButton", this);
    m_options->setAutoDefault(false);
    m_store = MakePushButton("Add This Product", "storeButton", this);
    m_store->setDefault(true);
    m_cancel = MakePushButton("Cancel", "cancelButton", this);
    m_cancel->setAutoDefault(false);
    buttons->addWidget(m_options);
    buttons->addStretch(1);
    buttons->addWidget(m_store);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_options, &QPushButton::clicked, this, [this] { m_gui.ShowOptions(this); });
    connect(m_store, &QPushButton::clicked, this, &CNewProductDlg::Store);
    connect(m_cancel, &QPushButton::clicked, this, &CNewProductDlg::reject);
    connect(m_autogenerate, &QCheckBox::clicked, this, &CNewProductDlg::Autogenerate);
    connect(m_inStock, &QCheckBox::clicked, this, [this] { ShowHelp(m_helpFor.value(m_inStock)); });
    connect(m_doesNotExpire, &QCheckBox::clicked, this, [this](bool checked) {
        ShowHelp(m_helpFor.value(m_expiry));
        m_expiry->setEnabled(!checked);
    });

    AddHelpTexts();
    resize(900, 560);
}

void CNewProductDlg::AddHelpTexts() {
    m_helpFor.insert(
        m_offerId,
        {" A unique alphanumeric identifier for each item in the feed, which stays constant for the "
         "same item across feeds. ",
         " Could be your internal ID code, or SKU. 'code' is also an acceptable name for this field."});
    m_helpFor.insert(m_name,
                     {" Product name - up to 80 characters will be displayed. You can include more "
                      "characters and they will be searched over, ",
                      " but for display purposes Quorvin will truncate after 80 characters. We suggest not "
                      "more than 255 characters."});
    m_helpFor.insert(
        m_description,
        {" Full descriptive text from your web site, up to 5K bytes. Quorvin searches over this text "
         "when matching user queries to ",
         " your product. Promotional text/keywords that do not appear on your site are not allowed."});
    m_helpFor.insert(m_price,
                     {" Numeric values only (don\x92t put $). Defaults to U.S. dollars, unless specified "
                      "otherwise in the currency field.",
                      ""});
    m_helpFor.insert(m_shipping, {" Your lowest shipping & handling cost for this product, if you offer flat "
                                  "shipping fees within the U.S.",
                                  ""});
    m_helpFor.insert(m_currency, {" Select the currency of prices. We recommend US Dollars.", ""});
    m_helpFor.insert(
        m_productUrl,
        {" URL of web page for that product \x96 should be able to purchase the product directly from "
         "that page. Higher-level ",
         " category pages are not acceptable to Quorvin. Tracking URLs are acceptable; the URL will be "
         "displayed to the user."});
    m_helpFor.insert(m_imageUrl,
                     {" URL of the picture of the product. Required if you have product images on your "
                      "web site. If not, use your company logo.",
                      ""});
    m_helpFor.insert(m_category, {" Use your site\x92s category structure. Separate levels with '>'",
                                  " e.g.: Home & Garden > Kitchen > Appliances"});
    m_helpFor.insert(m_inStock, {" Is the product currently available? Check, if it is.", ""});
    m_helpFor.insert(m_brand, {" The brand/manufacturer of the product, if any.", ""});
    m_helpFor.insert(m_upc, {" The product UPC code.", ""});
    m_helpFor.insert(m_productId,
                     {" If you sell multiple versions of the same product at different prices (e.g., product "
                      "multi-packs), use ",
                      " the Offer ID as a unique identifier for each listing, and the Product ID as a unique "
                      "identifier for each product."});
    m_helpFor.insert(m_manufacturerId, {" Unique product ID code assigned by its manufacturer, if any.", ""});
    m_helpFor.insert(
        m_expiry,
        {" If appropriate, the expiration date of the offer. Use if the item has a hard date/time "
         "after which it will not be ",
         " available for purchase, and you don\x92t want to wait until the next file upload to delete "
         "it."});
    m_helpFor.insert(m_color,
                     {" If you have products, such as clothing or bedding, that come in multiple colors or "
                      "sizes, create one line per unique ",
                      " attribute combination. Product ID will be the same, but Offer ID will differ."});
    m_helpFor.insert(m_size,
                     {" If you have products, such as clothing or bedding, that come in multiple colors or "
                      "sizes, create one line per unique ",
                      " attribute combination. Product_id will be the same, but Offer_id will differ."});
}

void CNewProductDlg::ShowForm() {
    m_name->setText(FromCp1252(m_form.name));
    m_description->setPlainText(FromCp1252(m_form.description));
    m_brand->setText(FromCp1252(m_form.brand));
    m_productUrl->setText(FromCp1252(m_form.productUrl));
    m_imageUrl->setText(FromCp1252(m_form.imageUrl));
    m_category->setEditText(FromCp1252(m_form.category));
    m_shipping->setText(FromCp1252(FormatGeneral(static_cast<double>(m_form.shipping), 6)));
    m_currency->setCurrentIndex(m_form.currencyIndex < m_currency->count() ? m_form.currencyIndex : -1);
    m_inStock->setChecked(m_form.inStock);
    m_upc->setText(FromCp1252(m_form.upc));
    m_productId->setText(FromCp1252(m_form.productId));
    m_manufacturerId->setText(FromCp1252(m_form.manufacturerId));
    m_doesNotExpire->setChecked(m_form.doesNotExpire);
    const QDate date = ToQDate(m_form.expiryDate);
    m_expiry->setDate(date.isValid() ? date : QDate::currentDate());
    m_color->setEditText(FromCp1252(m_form.color));
    m_size->setEditText(FromCp1252(m_form.size));
    m_price->setText(FromCp1252(FormatGeneral(m_form.price, 15)));
    m_offerId->setText(FromCp1252(m_form.offerId));
    m_autogenerate->setChecked(m_form.autogenerate);
    for (QWidget* box :
         {static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_description), static_cast<QWidget*>(m_brand),
          static_cast<QWidget*>(m_productUrl), static_cast<QWidget*>(m_imageUrl),
          static_cast<QWidget*>(m_category), static_cast<QWidget*>(m_upc), static_cast<QWidget*>(m_productId),
          static_cast<QWidget*>(m_manufacturerId), static_cast<QWidget*>(m_color),
          static_cast<QWidget*>(m_size), static_cast<QWidget*>(m_offerId)}) {
        m_shownText.insert(box, BoxText(box));
    }
}

QString CNewProductDlg::BoxText(QWidget* box) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) {
        return edit->text();
    }
    if (auto* combo = qobject_cast<QComboBox*>(box)) {
        return combo->currentText();
    }
    return static_cast<QPlainTextEdit*>(box)->document()->toRawText();
}

void CNewProductDlg::ReadBox(QWidget* box, ProductField field, std::string& value) {
    // A box shows a text in Qt's own form, which need not give back the same bytes (the plain-text form
    // turns no-break spaces into blanks and CRs into LFs), and storing trims what was typed: a text the
    // user did not touch keeps its bytes.
    QString text = BoxText(box);
    if (text == m_shownText.value(box)) {
        return;
    }
    m_shownText.insert(box, text);
    m_form.keptAsLoaded.erase(field);
    if (box == m_description) {
        // An edited description keeps its no-break spaces.
        text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
            .replace(QChar::LineSeparator, QLatin1Char('\n'));
    }
    value = ToCp1252(text);
}

void CNewProductDlg::ReadTexts() {
    ReadBox(m_name, ProductField::Name, m_form.name);
    ReadBox(m_description, ProductField::Description, m_form.description);
    ReadBox(m_brand, ProductField::Brand, m_form.brand);
    ReadBox(m_productUrl, ProductField::ProductUrl, m_form.productUrl);
    ReadBox(m_imageUrl, ProductField::ImageUrl, m_form.imageUrl);
    ReadBox(m_category, ProductField::Category, m_form.category);
    m_form.currencyIndex = m_currency->currentIndex();
    m_form.inStock = m_inStock->isChecked();
    ReadBox(m_upc, ProductField::Upc, m_form.upc);
    ReadBox(m_productId, ProductField::ProductId, m_form.productId);
    ReadBox(m_manufacturerId, ProductField::ManufacturerId, m_form.manufacturerId);
    m_form.doesNotExpire = m_doesNotExpire->isChecked();
    // The picker changes the date only; the time of day stays what it was.
    const QDate date = m_expiry->date();
    m_form.expiryDate.year = date.year();
    m_form.expiryDate.month = date.month();
    m_form.expiryDate.day = date.day();
    ReadBox(m_color, ProductField::Color, m_form.color);
    ReadBox(m_size, ProductField::Size, m_form.size);
    ReadBox(m_offerId, ProductField::OfferId, m_form.offerId);
    m_form.autogenerate = m_autogenerate->isChecked();
}

void CNewProductDlg::SetNormalState() {
    for (CAnimatedLabel* line : {m_help1, m_help2}) {
        line->SetBackgroundColor(kNormalBackground);
        line->SetTextColor(kNormalText);
    }
    m_help1->SetMainFontBold(false);
}

void CNewProductDlg::ShowHelp(const HelpTexts& texts) {
    SetNormalState();
    m_help1->SetText(A(texts.first ? texts.first : ""), {}, kHelpFadeSteps);
    m_help2->SetText(A(texts.second ? texts.second : ""), {}, kHelpFadeSteps);
}

void CNewProductDlg::ShowError(QWidget* control, const QString& message) {
    m_errorControl = control;
    control->setFocus();
    for (CAnimatedLabel* line : {m_help1, m_help2}) {
        line->SetBackgroundColor(kErrorBackground);
    }
    m_help1->SetTextColor(kErrorText);
    m_help1->SetMainFontBold(true);
    m_help1->SetText(A(" ") + message, {}, kErrorFadeSteps);
    m_help2->SetText(QString(), {}, kHelpFadeSteps);
    m_gui.Ui().Beep();
}

void CNewProductDlg::OnFocusChanged(QWidget* old, QWidget* now) {
    if (!now || now->window() != this) {
        return;
    }
    // Leaving the Offer ID box checks the identifier before anything else happens.
    if (old == m_offerId && now != m_offerId && !CheckOfferIdUnique()) {
        return;
    }
    // The focus a window gets when it is activated keeps the opening text in the help lines.
    if (!old) {
        return;
    }
    for (QWidget* w = now; w && w != this; w = w->parentWidget()) {
        if (m_helpFor.contains(w)) {
            if (w == m_errorControl) {
                return;
            }
            m_errorControl.clear();
            ShowHelp(m_helpFor.value(w));
            return;
        }
    }
    m_errorControl.clear();
}

void CNewProductDlg::Autogenerate() {
    ReadTexts();
    if (m_form.autogenerate) {
        m_form.offerId = GenerateOfferId(m_guids, CurrentLocalDateTime());
        m_offerId->setEnabled(false);
        m_offerId->setText(FromCp1252(m_form.offerId));
    } else {
        m_offerId->setEnabled(true);
    }
}

bool CNewProductDlg::CheckOfferIdUnique() {
    ReadBox(m_offerId, ProductField::OfferId, m_form.offerId);
    if (m_gui.Document().IsOfferIdTaken(m_form.offerId, m_editPosition)) {
        ShowError(m_offerId, A(kMsgDuplicateOfferId));
        return false;
    }
    return true;
}

QWidget* CNewProductDlg::FieldControl(ProductField field) const {
    switch (field) {
        case ProductField::Name:
            return m_name;
        case ProductField::Description:
            return m_description;
        case ProductField::Brand:
            return m_brand;
        case ProductField::ProductUrl:
            return m_productUrl;
        case ProductField::ImageUrl:
            return m_imageUrl;
        case ProductField::Category:
            return m_category;
        case ProductField::Shipping:
            return m_shipping;
        case ProductField::Currency:
            return m_currency;
        case ProductField::InStock:
            return m_inStock;
        case ProductField::Upc:
            return m_upc;
        case ProductField::ProductId:
            return m_productId;
        case ProductField::ManufacturerId:
            return m_manufacturerId;
        case ProductField::DoesNotExpire:
            return m_doesNotExpire;
        case ProductField::ExpiryDate:
            return m_expiry;
        case ProductField::Color:
            return m_color;
        case ProductField::Size:
            return m_size;
        case ProductField::Price:
            return m_price;
        case ProductField::OfferId:
            return m_offerId;
        case ProductField::Autogenerate:
            break;
    }
    return m_autogenerate;
}

bool CNewProductDlg::RefuseUnstorableCharacters() {
    // Reading order; a character outside the feed's code page would otherwise be stored as '?'.
    const std::pair<QWidget*, QString> boxes[] = {
        {m_name, m_name->text()},           {m_description, m_description->toPlainText()},
        {m_brand, m_brand->text()},         {m_productUrl, m_productUrl->text()},
        {m_imageUrl, m_imageUrl->text()},   {m_category, m_category->currentText()},
        {m_shipping, m_shipping->text()},   {m_upc, m_upc->text()},
        {m_productId, m_productId->text()}, {m_manufacturerId, m_manufacturerId->text()},
        {m_color, m_color->currentText()},  {m_size, m_size->currentText()},
        {m_price, m_price->text()},         {m_offerId, m_offerId->text()},
    };
    for (const auto& [control, text] : boxes) {
        if (const std::optional<char32_t> c = FirstUnencodable(text)) {
            ShowError(control, CharacterNotStorableMessage(*c));
            return true;
        }
    }
    return false;
}

void CNewProductDlg::Store() {
    if (RefuseUnstorableCharacters()) {
        return;
    }
    ReadTexts();
    if (const auto error = ReadProductForm(m_form, ToCp1252(m_shipping->text()), ToCp1252(m_price->text()))) {
        m_gui.Ui().MessageBox(this, A(kAppTitle), FromCp1252(error->message), MsgIcon::Exclamation,
                              MsgButtons::Ok);
        QWidget* control = FieldControl(error->field);
        control->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            edit->selectAll();
        }
        return;
    }
    if (const auto error = ValidateProductForm(m_form)) {
        ShowError(FieldControl(error->field), FromCp1252(error->message));
        return;
    }
    // The check made when the Offer ID box is left is missed when the user presses Enter in it, and it
    // compares the identifier as typed while the stored one may be trimmed.
    COtherRecord record = BuildProductRecord(m_form, m_gui.App().Currencies());
    if (m_gui.Document().IsOfferIdTaken(std::string(record.Field(kColOfferId)), m_editPosition)) {
        ShowError(m_offerId, A(kMsgDuplicateOfferId));
        return;
    }
    m_gui.Document().AddOrReplaceRecord(record, m_editPosition);
    accept();
}

}  // namespace yarvelin
