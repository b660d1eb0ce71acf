#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <deque>

#include "app/program_names.h"
#include "dialogs/options_sheet.h"
#include "dialogs/product_editor_dlg.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"
#include "widgets/animated_label.h"

using namespace yarvelin;

namespace {

// Hands out queued identifiers; nothing when the queue is empty (a failing generator).
class CQueuedGuids : public GuidSource {
  public:
    std::optional<Guid> CreateGuid() override {
        if (m_queue.empty()) {
            return std::nullopt;
        }
        const Guid g = m_queue.front();
        m_queue.pop_front();
        return g;
    }
    std::deque<Guid> m_queue;
};

Guid MakeGuid(std::uint32_t first) {
    return Guid{first, 0xBEEF, 0x1, {1, 2, 3, 4, 5, 6, 7, 8}};
}

void FillCompulsory(CNewProductDlg& dlg) {
    FindChild<QLineEdit>(dlg, "nameEdit")->setText(A("Espresso machine"));
    FindChild<QPlainTextEdit>(dlg, "descriptionEdit")->setPlainText(A("15 bar pump, steam wand"));
    FindChild<QLineEdit>(dlg, "productUrlEdit")->setText(A("http://shop.example/espresso"));
    FindChild<QLineEdit>(dlg, "imageUrlEdit")->setText(A("http://shop.example/espresso.jpg"));
    FindChild<QComboBox>(dlg, "categoryCombo")->setEditText(A("Home & Garden > Kitchen > Coffee Makers"));
}

COtherRecord StoredProduct() {
    COtherRecord r;
    r.SetField(kColProductUrl, "http://shop.example/kettle");
    r.SetField(kColName, "Caf\xe9 kettle");
    r.SetField(kColDescription, "Steel kettle, 1.7 l");
    r.SetField(kColPrice, "49.90");
    r.SetField(kColImageUrl, "http://shop.example/kettle.jpg");
    r.SetField(kColCategory, "Home & Garden > Kitchen");
    r.SetField(kColOfferId, "K-100");
    r.SetField(kColInstock, "N");
    r.SetField(kColShipping, "4.5");
    r.SetField(kColCurrency, "zwd");
    r.SetField(kColExpDate, "200312311800");
    r.SetField(kColQuantity, "12");
    r.SetField(kColDelete, "Y");
    r.SetField(kColProductType, "OTHER");
    r.data_checked = r.urls_checked = r.product_url_ok = r.image_url_ok = true;
    return r;
}

void AddProduct(CTestGui& t, const char* offerId) {
    COtherRecord r;
    r.SetField(kColOfferId, offerId);
    t.Doc().AddOrReplaceRecord(r);
}

void ExpectErrorLine(CNewProductDlg& dlg, const QString& message) {
    QCOMPARE(dlg.HelpLine1()->Text(), A(" ") + message);
    QCOMPARE(dlg.HelpLine1()->TextColor(), QColor(215, 0, 0));
    QCOMPARE(dlg.HelpLine1()->BackgroundColor(), QColor(255, 255, 235));
    QCOMPARE(dlg.HelpLine1()->MainFontSpec().weight, 700);
    QCOMPARE(dlg.HelpLine2()->Text(), QString());
}

}  // namespace

class ProductEditorTest : public QObject {
    Q_OBJECT
  private slots:
    void newProductStartsFromDefaults();
    void autogenerateToggles();
    void guidFailureFallsBackToTheTime();
    void storingAppendsAFreshRecord();
    void editLoadsAndReplacesInPlace();
    void compulsoryFieldErrorsGoToTheHelpLine_data();
    void compulsoryFieldErrorsGoToTheHelpLine();
    void unreadableNumbersAreRefused_data();
    void unreadableNumbersAreRefused();
    void duplicateOfferIdIsReportedAndNeverStored();
    void ownOfferIdIsNoDuplicateWhenEditing();
    void characterOutsideTheCodePageIsRefused();
    void typedTextIsNotCompleted();
    void untouchedTextsKeepTheirBytes();
    void focusShowsHelpAndCountersCount();
    void optionsButtonOpensTheSheet();
    void screenshots();
};

void ProductEditorTest::newProductStartsFromDefaults() {
    CTestGui t;
    t.m_app.Categories() = {"Flowers > Roses ", "Flowers > Arrangements "};
    t.m_app.Defaults()[kDefPrice] = "12.500000";
    t.m_app.Defaults()[kDefCategory] = "Flowers > Roses ";
    t.m_app.Defaults()[kDefBrand] = "Acme";
    t.m_app.SetAlwaysInStock(false);
    CQueuedGuids guids;
    guids.m_queue = {MakeGuid(0xA1)};
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    QCOMPARE(dlg.windowTitle(), A("New Product"));
    QCOMPARE(FindChild<QPushButton>(dlg, "storeButton")->text(), A("Add This Product"));
    QCOMPARE(FindChild<QLineEdit>(dlg, "offerIdEdit")->text(), A("A1BEEF112345678"));
    QVERIFY(!FindChild<QLineEdit>(dlg, "offerIdEdit")->isEnabled());
    QVERIFY(FindChild<QCheckBox>(dlg, "autogenerateCheck")->isEnabled());
    QCOMPARE(FindChild<QLineEdit>(dlg, "priceEdit")->text(), A("12.5"));
    QCOMPARE(FindChild<QLineEdit>(dlg, "shippingEdit")->text(), A("0"));
    QCOMPARE(FindChild<QComboBox>(dlg, "categoryCombo")->count(), 2);
    QCOMPARE(FindChild<QComboBox>(dlg, "categoryCombo")->currentText(), A("Flowers > Roses "));
    QCOMPARE(FindChild<QLineEdit>(dlg, "brandEdit")->text(), A("Acme"));
    QCOMPARE(FindChild<QComboBox>(dlg, "currencyCombo")->currentIndex(), 172);
    QCOMPARE(FindChild<QComboBox>(dlg, "currencyCombo")->currentText(), A("USD American Dollar "));
    QVERIFY(!FindChild<QCheckBox>(dlg, "inStockCheck")->isChecked());
    QVERIFY(FindChild<QCheckBox>(dlg, "doesNotExpireCheck")->isChecked());
    QVERIFY(!FindChild<QDateEdit>(dlg, "expiryDateEdit")->isEnabled());
    QCOMPARE(FindChild<QLabel>(dlg, "nameCount")->text(), QString());
    QCOMPARE(dlg.HelpLine1()->Text(), A(" See this place for help & tips on filling up the various fields"));
    QCOMPARE(dlg.HelpLine1()->BackgroundColor(), QColor(252, 239, 194));
    QCOMPARE(dlg.HelpLine1()->TextColor(), QColor(20, 20, 20));
    QCOMPARE(dlg.HelpLine1()->FadeSteps(), 50);
    QCOMPARE(FindChild<CAnimatedLabel>(dlg, "compulsoryNote")->Text(),
             A("Compulsory fields - fields that must be filled up are marked in bold & by an asterix (*)"));
}

void ProductEditorTest::autogenerateToggles() {
    CTestGui t;
    CQueuedGuids guids;
    guids.m_queue = {MakeGuid(0x1), MakeGuid(0x2)};
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    auto* offer = FindChild<QLineEdit>(dlg, "offerIdEdit");
    auto* autogen = FindChild<QCheckBox>(dlg, "autogenerateCheck");
    autogen->click();  // off: the box opens and keeps the identifier
    QVERIFY(offer->isEnabled());
    QCOMPARE(offer->text(), A("1BEEF112345678"));
    autogen->click();  // on again: a new identifier
    QVERIFY(!offer->isEnabled());
    QCOMPARE(offer->text(), A("2BEEF112345678"));
}

void ProductEditorTest::guidFailureFallsBackToTheTime() {
    CTestGui t;
    CQueuedGuids none;
    CNewProductDlg dlg(t.Gui(), std::nullopt, none);
    const QString id = FindChild<QLineEdit>(dlg, "offerIdEdit")->text();
    QCOMPARE(id.size(), 18);
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{18}$")).match(id).hasMatch());
}

void ProductEditorTest::storingAppendsAFreshRecord() {
    CTestGui t;
    AddProduct(t, "FIRST");
    CQueuedGuids guids;
    guids.m_queue = {MakeGuid(0xC0FFEE)};
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    FillCompulsory(dlg);
    FindChild<QLineEdit>(dlg, "priceEdit")->setText(A("12.5"));
    FindChild<QLineEdit>(dlg, "shippingEdit")->setText(A("0"));
    FindChild<QComboBox>(dlg, "currencyCombo")->setCurrentIndex(0);
    FindChild<QComboBox>(dlg, "colorCombo")->setEditText(A(" Red "));
    FindChild<QCheckBox>(dlg, "doesNotExpireCheck")->setChecked(false);
    FindChild<QDateEdit>(dlg, "expiryDateEdit")->setDate(QDate(2027, 3, 1));
    FindChild<QPushButton>(dlg, "storeButton")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(t.Doc().Count(), std::size_t{2});
    const COtherRecord& r = t.Doc().At(1);
    QCOMPARE(std::string(r.Field(kColOfferId)), std::string("C0FFEEBEEF112345678"));
    QCOMPARE(std::string(r.Field(kColPrice)), std::string("12.50"));
    QCOMPARE(std::string(r.Field(kColShipping)), std::string("0.00"));
    QCOMPARE(std::string(r.Field(kColCurrency)), std::string("ADP"));
    QCOMPARE(std::string(r.Field(kColColor)), std::string("Red"));
    QCOMPARE(std::string(r.Field(kColInstock)), std::string("Y"));
    QCOMPARE(std::string(r.Field(kColProductType)), std::string("OTHER"));
    QCOMPARE(std::string(r.Field(kColExpDate).substr(0, 8)), std::string("20270301"));
    QCOMPARE(r.Field(kColExpDate).size(), std::size_t{12});
    QCOMPARE(t.m_ui.m_beeps, 0);
}

void ProductEditorTest::editLoadsAndReplacesInPlace() {
    CTestGui t;
    AddProduct(t, "A");
    t.Doc().AddOrReplaceRecord(StoredProduct());
    AddProduct(t, "C");
    CQueuedGuids guids;
    CNewProductDlg dlg(t.Gui(), std::size_t{1}, guids);
    QCOMPARE(FindChild<QPushButton>(dlg, "storeButton")->text(), A("Save Changes"));
    QVERIFY(!FindChild<QCheckBox>(dlg, "autogenerateCheck")->isEnabled());
    QVERIFY(FindChild<QCheckBox>(dlg, "autogenerateCheck")->isChecked());
    QVERIFY(FindChild<QLineEdit>(dlg, "offerIdEdit")->isEnabled());
    QCOMPARE(FindChild<QLineEdit>(dlg, "nameEdit")->text(), QString::fromUtf8("Caf\u00e9 kettle"));
    QCOMPARE(FindChild<QLineEdit>(dlg, "priceEdit")->text(), A("49.9"));
    QCOMPARE(FindChild<QLineEdit>(dlg, "shippingEdit")->text(), A("4.5"));
    QCOMPARE(FindChild<QComboBox>(dlg, "currencyCombo")->currentIndex(), 186);
    QVERIFY(!FindChild<QCheckBox>(dlg, "inStockCheck")->isChecked());
    QVERIFY(!FindChild<QCheckBox>(dlg, "doesNotExpireCheck")->isChecked());
    QVERIFY(FindChild<QDateEdit>(dlg, "expiryDateEdit")->isEnabled());
    QCOMPARE(FindChild<QDateEdit>(dlg, "expiryDateEdit")->date(), QDate(2003, 12, 31));
    FindChild<QPushButton>(dlg, "storeButton")->click();  // saved unchanged
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(t.Doc().Count(), std::size_t{3});
    const COtherRecord& r = t.Doc().At(1);
    QCOMPARE(std::string(r.Field(kColOfferId)), std::string("K-100"));
    QCOMPARE(std::string(r.Field(kColName)), std::string("Caf\xe9 kettle"));
    QCOMPARE(std::string(r.Field(kColPrice)), std::string("49.90"));
    QCOMPARE(std::string(r.Field(kColShipping)), std::string("4.50"));
    QCOMPARE(std::string(r.Field(kColCurrency)), std::string("ZWD"));
    QCOMPARE(std::string(r.Field(kColExpDate)), std::string("200312311800"));
    QCOMPARE(std::string(r.Field(kColInstock)), std::string("N"));
    QCOMPARE(std::string(r.Field(kColQuantity)), std::string());
    QCOMPARE(std::string(r.Field(kColDelete)), std::string());
    QCOMPARE(std::string(r.DataStatusText()), std::string("Unverified"));
    QCOMPARE(std::string(r.UrlStatusText()), std::string("Unverified"));
    QCOMPARE(std::string(t.Doc().At(2).Field(kColOfferId)), std::string("C"));
}

void ProductEditorTest::compulsoryFieldErrorsGoToTheHelpLine_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("message");
    QTest::newRow("offer id") << A("offerIdEdit") << A("The Offer ID is compulsory and must be unique.");
    QTest::newRow("name") << A("nameEdit") << A("The product name is empty or contains invalid characters.");
    QTest::newRow("description") << A("descriptionEdit")
                                 << A("The product description is empty or contains invalid characters.");
    QTest::newRow("product url") << A("productUrlEdit")
                                 << A("The product page URL is empty or contains invalid characters.");
    QTest::newRow("image url") << A("imageUrlEdit")
                               << A("The product image URL is empty or contains invalid characters.");
    QTest::newRow("category")
        << A("categoryCombo")
        << A("The category to which this product belongs to is empty or contains invalid "
             "characters.");
}

void ProductEditorTest::compulsoryFieldErrorsGoToTheHelpLine() {
    QFETCH(QString, control);
    QFETCH(QString, message);
    CTestGui t;
    CQueuedGuids guids;
    guids.m_queue = {MakeGuid(0x5)};
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    FillCompulsory(dlg);
    FindChild<QCheckBox>(dlg, "autogenerateCheck")->click();
    QWidget* box = dlg.findChild<QWidget*>(control);
    if (auto* edit = qobject_cast<QLineEdit*>(box)) {
        edit->setText(A(" \t "));
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(box)) {
        text->setPlainText(A("\r\n "));
    } else if (auto* combo = qobject_cast<QComboBox*>(box)) {
        combo->setEditText(A("  "));
    }
    FindChild<QPushButton>(dlg, "storeButton")->click();
    QVERIFY(dlg.result() != QDialog::Accepted);
    QCOMPARE(t.Doc().Count(), std::size_t{0});
    ExpectErrorLine(dlg, message);
    QCOMPARE(dlg.HelpLine1()->FadeSteps(), 20);
    QCOMPARE(t.m_ui.m_beeps, 1);
    QCOMPARE(dlg.focusWidget(), box);
}

void ProductEditorTest::unreadableNumbersAreRefused_data() {
    QTest::addColumn<QString>("shipping");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("price") << A("0") << A("12,50") << A("n") << A("Please enter a number.");
    QTest::newRow("empty shipping") << A("") << A("1") << A("n") << A("Please enter a number.");
    QTest::newRow("zero not from 0") << A(".0") << A("1") << A("n") << A("Please enter a number.");
    QTest::newRow("negative price") << A("0") << A("-5") << A("n")
                                    << A("Please enter a number of 0 or more.");
    QTest::newRow("negative shipping")
        << A("-0.5") << A("5") << A("n") << A("Please enter a number of 0 or more.");
    QTest::newRow("long loaded name") << A("0") << A("1") << QString(256, QLatin1Char('n'))
                                      << A("Please enter no more than 255 characters.");
}

void ProductEditorTest::unreadableNumbersAreRefused() {
    QFETCH(QString, shipping);
    QFETCH(QString, price);
    QFETCH(QString, name);
    QFETCH(QString, message);
    CTestGui t;
    CQueuedGuids guids;
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    FillCompulsory(dlg);
    FindChild<QLineEdit>(dlg, "nameEdit")->setText(name);
    FindChild<QLineEdit>(dlg, "shippingEdit")->setText(shipping);
    FindChild<QLineEdit>(dlg, "priceEdit")->setText(price);
    t.m_ui.ExpectMessage(A(kAppTitle), message, MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
    FindChild<QPushButton>(dlg, "storeButton")->click();
    QVERIFY(dlg.result() != QDialog::Accepted);
    QCOMPARE(t.Doc().Count(), std::size_t{0});
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void ProductEditorTest::duplicateOfferIdIsReportedAndNeverStored() {
    CTestGui t;
    AddProduct(t, "SKU-1");
    CQueuedGuids guids;
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    FillCompulsory(dlg);
    FindChild<QCheckBox>(dlg, "autogenerateCheck")->click();
    auto* offer = FindChild<QLineEdit>(dlg, "offerIdEdit");
    offer->setText(A("sku-1"));
    QVERIFY(!dlg.CheckOfferIdUnique());
    ExpectErrorLine(dlg, A("Duplicate OfferID - this Offer ID already exists in the file."));
    QCOMPARE(t.m_ui.m_beeps, 1);
    offer->setText(A(" SKU-1 "));
    QVERIFY(dlg.CheckOfferIdUnique());                    // blanks around it make it another identifier ...
    FindChild<QPushButton>(dlg, "storeButton")->click();  // ... until it is trimmed for storing
    QVERIFY(dlg.result() != QDialog::Accepted);
    QCOMPARE(t.Doc().Count(), std::size_t{1});
    QCOMPARE(t.m_ui.m_beeps, 2);
    offer->setText(A("SKU-2"));
    FindChild<QPushButton>(dlg, "storeButton")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(t.Doc().Count(), std::size_t{2});
}

void ProductEditorTest::ownOfferIdIsNoDuplicateWhenEditing() {
    CTestGui t;
    t.Doc().AddOrReplaceRecord(StoredProduct());
    AddProduct(t, "other");
    CQueuedGuids guids;
    CNewProductDlg dlg(t.Gui(), std::size_t{0}, guids);
    auto* offer = FindChild<QLineEdit>(dlg, "offerIdEdit");
    offer->setText(A("k-100"));
    QVERIFY(dlg.CheckOfferIdUnique());
    offer->setText(A("OTHER"));
    QVERIFY(!dlg.CheckOfferIdUnique());
}

void ProductEditorTest::characterOutsideTheCodePageIsRefused() {
    CTestGui t;
    CQueuedGuids guids;
    guids.m_queue = {MakeGuid(0x7)};
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    FillCompulsory(dlg);
    // The euro sign and the typographic quotes are in the code page; the Polish letters are not.
    FindChild<QLineEdit>(dlg, "brandEdit")
        ->setText(QString::fromUtf8("\u201cBest\u201d \u20ac Za\u017c\u00f3\u0142\u0107"));
    FindChild<QPushButton>(dlg, "storeButton")->click();
    QVERIFY(dlg.result() != QDialog::Accepted);
    QCOMPARE(t.Doc().Count(), std::size_t{0});
    ExpectErrorLine(
        dlg, QString::fromUtf8("The character \u017c (U+017C) cannot be stored in the feed file. Please "
                               "remove it or replace it."));
    QCOMPARE(dlg.focusWidget(), FindChild<QLineEdit>(dlg, "brandEdit"));
    FindChild<QLineEdit>(dlg, "brandEdit")->setText(QString::fromUtf8("\u201cBest\u201d \u20ac"));
    FindChild<QPushButton>(dlg, "storeButton")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(std::string(t.Doc().At(0).Field(kColBrand)), std::string("\x93"
                                                                      "Best\x94 \x80"));
}

void ProductEditorTest::typedTextIsNotCompleted() {
    CTestGui t;
    t.m_app.Categories() = {"Office > Office Equipment > Calculators"};
    t.m_app.Colors() = {"Redwood"};
    t.m_app.Sizes() = {"XL Tall"};
    CQueuedGuids guids;
    guids.m_queue = {MakeGuid(0x8)};
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    FillCompulsory(dlg);
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    const std::pair<const char*, const char*> typed[] = {
        {"categoryCombo", "Office"}, {"colorCombo", "Red"}, {"sizeCombo", "XL"}};
    for (const auto& [name, text] : typed) {
        auto* combo = FindChild<QComboBox>(dlg, name);
        combo->setEditText(QString());
        combo->setFocus();
        QTest::keyClicks(combo->lineEdit(), A(text));
        QCOMPARE(combo->currentText(), A(text));
    }
    FindChild<QLineEdit>(dlg, "nameEdit")->setFocus();
    FindChild<QPushButton>(dlg, "storeButton")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(std::string(t.Doc().At(0).Field(kColCategory)), std::string("Office"));
    QCOMPARE(std::string(t.Doc().At(0).Field(kColColor)), std::string("Red"));
    QCOMPARE(std::string(t.Doc().At(0).Field(kColSize)), std::string("XL"));
}

void ProductEditorTest::untouchedTextsKeepTheirBytes() {
    CTestGui t;
    COtherRecord stored = StoredProduct();
    stored.SetField(kColDescription, " Steel\xa0kettle,\r1.7\xa0l");
    stored.SetField(kColName, " Kettle\t");
    stored.SetField(kColCategory, "Flowers > Roses ");
    stored.SetField(kColUpc, "0042 ");
    t.Doc().AddOrReplaceRecord(stored);
    {
        CQueuedGuids guids;
        CNewProductDlg dlg(t.Gui(), std::size_t{0}, guids);
        FindChild<QLineEdit>(dlg, "brandEdit")->setText(A(" Acme "));
        FindChild<QPushButton>(dlg, "storeButton")->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const COtherRecord& r = t.Doc().At(0);
        QCOMPARE(std::string(r.Field(kColDescription)), std::string(stored.Field(kColDescription)));
        QCOMPARE(std::string(r.Field(kColName)), std::string(stored.Field(kColName)));
        QCOMPARE(std::string(r.Field(kColCategory)), std::string(stored.Field(kColCategory)));
        QCOMPARE(std::string(r.Field(kColUpc)), std::string(stored.Field(kColUpc)));
        QCOMPARE(std::string(r.Field(kColBrand)), std::string("Acme"));  // typed: trimmed as ever
    }
    // Typed into, the description keeps its no-break spaces.
    t.Doc().At(0).SetField(kColDescription, "Steel\xa0kettle");
    CQueuedGuids guids;
    CNewProductDlg dlg(t.Gui(), std::size_t{0}, guids);
    auto* description = FindChild<QPlainTextEdit>(dlg, "descriptionEdit");
    description->moveCursor(QTextCursor::End);
    description->setFocus();
    QTest::keyClicks(description, A(", 1.7 l"));
    FindChild<QPushButton>(dlg, "storeButton")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(std::string(t.Doc().At(0).Field(kColDescription)), std::string("Steel\xa0kettle, 1.7 l"));
}

void ProductEditorTest::focusShowsHelpAndCountersCount() {
    CTestGui t;
    CQueuedGuids guids;
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    auto* name = FindChild<QLineEdit>(dlg, "nameEdit");
    FindChild<QLineEdit>(dlg, "upcEdit")->setFocus();
    QCOMPARE(dlg.HelpLine1()->Text(), A(" The product UPC code."));
    FindChild<QLineEdit>(dlg, "priceEdit")->setFocus();
    QCOMPARE(dlg.HelpLine1()->Text(),
             A(" Numeric values only (don\x92t put $). Defaults to U.S. dollars, unless "
               "specified otherwise in the currency field."));
    FindChild<QComboBox>(dlg, "sizeCombo")->setFocus();
    QCOMPARE(dlg.HelpLine2()->Text(),
             A(" attribute combination. Product_id will be the same, but Offer_id will differ."));
    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("Kettle"));
    QCOMPARE(FindChild<QLabel>(dlg, "nameCount")->text(), A("6 chars"));
    QCOMPARE(FindChild<QLabel>(dlg, "descriptionCount")->text(), QString());
    FindChild<QCheckBox>(dlg, "doesNotExpireCheck")->click();
    QVERIFY(FindChild<QDateEdit>(dlg, "expiryDateEdit")->isEnabled());
    QCOMPARE(dlg.HelpLine1()->Text(),
             A(" If appropriate, the expiration date of the offer. Use if the item has a "
               "hard date/time after which it will not be "));
    // Typing beyond 255 characters is refused.
    name->setText(QString(255, QLatin1Char('x')));
    name->end(false);
    QTest::keyClick(name, Qt::Key_Y);
    QCOMPARE(name->text().size(), 255);
    // Leaving the Offer ID box with a taken identifier brings the focus back with the error.
    AddProduct(t, "TAKEN");
    FindChild<QCheckBox>(dlg, "autogenerateCheck")->click();
    auto* offer = FindChild<QLineEdit>(dlg, "offerIdEdit");
    offer->setText(A("taken"));
    offer->setFocus();
    FindChild<QLineEdit>(dlg, "brandEdit")->setFocus();
    QCOMPARE(QApplication::focusWidget(), offer);
    ExpectErrorLine(dlg, A("Duplicate OfferID - this Offer ID already exists in the file."));
    dlg.reject();
}

void ProductEditorTest::optionsButtonOpensTheSheet() {
    CTestGui t;
    CQueuedGuids guids;
    CNewProductDlg dlg(t.Gui(), std::nullopt, guids);
    t.m_ui.ExpectMessage(
        A("Warning: Changes Not Reflected"),
        A("The changes that you made to the default values will not be reflected until the next "
          "new product that you enter or edit."),
        MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    QTimer::singleShot(0, qApp, [] {
        auto* sheet = qobject_cast<COptionsSheet*>(QApplication::activeModalWidget());
        QVERIFY(sheet);
        sheet->PressOk();
    });
    FindChild<QPushButton>(dlg, "optionsButton")->click();
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

// Pictures of the editor and the options sheet, for the screenshots target.
void ProductEditorTest::screenshots() {
    const QString folder = ScreenshotFolder();
    if (folder.isEmpty()) {
        QSKIP("pictures are made by the screenshots target");
    }
    QDir().mkpath(folder);
    CTestGui t;
    t.m_app.Categories() = t.m_app.BuiltinCategories();
    t.m_app.Colors() = t.m_app.BuiltinColors();
    t.m_app.Sizes() = t.m_app.BuiltinSizes();
    t.m_app.Defaults()[kDefProductUrl] = "http://www.northwind-kitchen.example/products/";
    t.m_app.Defaults()[kDefImageUrl] = "http://www.northwind-kitchen.example/images/";
    t.m_app.Defaults()[kDefCategory] = "Home & Garden > Kitchen > Cookware ";
    t.m_app.Defaults()[kDefPrice] = "19.950000";
    t.m_app.Defaults()[kDefShipping] = "4.950000";
    t.m_app.Defaults()[kDefBrand] = "Northwind";
    const auto settle = [](QWidget& w) {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(1100);  // fades finish
    };
    {
        CNewProductDlg dlg(t.Gui(), std::nullopt);
        settle(dlg);
        QVERIFY(dlg.grab().save(folder + QStringLiteral("/product_editor_new.png")));
    }
    {
        COtherRecord r;
        r.SetField(kColProductUrl, "http://www.northwind-kitchen.example/products/cast-iron-skillet-26");
        r.SetField(kColName, "Cast iron skillet, 26 cm, pre-seasoned");
        r.SetField(
            kColDescription,
            "Heavy cast iron skillet with a pre-seasoned surface. Keeps heat evenly, works on gas, electric, "
            "induction and in the oven. Helper handle for a safe grip.");
        r.SetField(kColPrice, "39.90");
        r.SetField(kColImageUrl, "http://www.northwind-kitchen.example/images/skillet-26.jpg");
        r.SetField(kColCategory, "Home & Garden > Kitchen > Cookware");
        r.SetField(kColOfferId, "NW-SK26-001");
        r.SetField(kColInstock, "Y");
        r.SetField(kColShipping, "5.50");
        r.SetField(kColBrand, "Northwind");
        r.SetField(kColUpc, "012345678905");
        r.SetField(kColColor, "Black");
        r.SetField(kColSize, "Large");
        r.SetField(kColProductId, "NW-SK26");
        r.SetField(kColManufacturerId, "CI-260-PS");
        r.SetField(kColExpDate, "202712311800");
        r.SetField(kColCurrency, "EUR");
        t.Doc().AddOrReplaceRecord(r);
        CNewProductDlg dlg(t.Gui(), std::size_t{0});
        settle(dlg);
        FindChild<QLineEdit>(dlg, "nameEdit")->setFocus();
        FindChild<QPlainTextEdit>(dlg, "descriptionEdit")->setFocus();
        QTest::qWait(600);
        QVERIFY(dlg.grab().save(folder + QStringLiteral("/product_editor_edit.png")));
    }
    {
        COptionsSheet sheet(t.Gui());
        settle(sheet);
        QVERIFY(sheet.grab().save(folder + QStringLiteral("/options_parameters.png")));
        sheet.Tabs()->setCurrentIndex(1);
        QTest::qWait(100);
        QVERIFY(sheet.grab().save(folder + QStringLiteral("/options_defaults.png")));
    }
}

QTEST_MAIN(ProductEditorTest)
#include "product_editor_test.moc"
