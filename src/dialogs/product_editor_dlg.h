// "New Product": the modal dialog in which a product is entered (new) or changed (edit). On success it
// stores the product in the feed document itself and closes with Accepted.
#pragma once

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <cstddef>
#include <memory>
#include <optional>

#include "dialogs/product_rules.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace yarvelin {

class CAnimatedLabel;
class CYarvelinGui;

class CNewProductDlg : public QDialog {
    Q_OBJECT
  public:
    // Without a position the dialog enters a new product; with one it edits the product stored there.
    CNewProductDlg(CYarvelinGui& gui, std::optional<std::size_t> editPosition, QWidget* parent = nullptr);
    // The same with the source of generated offer identifiers given (tests).
    CNewProductDlg(CYarvelinGui& gui, std::optional<std::size_t> editPosition, GuidSource& guids,
                   QWidget* parent = nullptr);
    ~CNewProductDlg() override;

    bool IsEditing() const { return m_editPosition.has_value(); }
    // What the controls showed when last read.
    const ProductForm& Form() const { return m_form; }

    CAnimatedLabel* HelpLine1() const { return m_help1; }
    CAnimatedLabel* HelpLine2() const { return m_help2; }

  public slots:
    // "Add This Product" / "Save Changes".
    void Store();
    void Autogenerate();
    // The uniqueness check run when the Offer ID box loses the focus; false after a duplicate was shown.
    bool CheckOfferIdUnique();

  private:
    struct HelpTexts {
        const char* first;
        const char* second;
    };

    void BuildControls();
    // The two help lines shown for each field while it has the focus.
    void AddHelpTexts();
    void ShowForm();
    // Texts of the controls into the form, without the two numbers.
    void ReadTexts();
    // A text box's text as the control holds it (the description with its raw separators).
    static QString BoxText(QWidget* box);
    // Reads one text box: a box whose text is still the one last shown or read leaves the form's bytes as
    // they are; a changed one is taken (and no longer kept as loaded).
    void ReadBox(QWidget* box, ProductField field, std::string& value);
    void ShowHelp(const HelpTexts& texts);
    void SetNormalState();
    void ShowError(QWidget* control, const QString& message);
    // The first text box, in reading order, holding a character the feed cannot store.
    bool RefuseUnstorableCharacters();
    void OnFocusChanged(QWidget* old, QWidget* now);
    QWidget* FieldControl(ProductField field) const;

    CYarvelinGui& m_gui;
    std::optional<std::size_t> m_editPosition;
    std::unique_ptr<GuidSource> m_ownGuids;
    GuidSource& m_guids;
    ProductForm m_form;

    QLineEdit* m_offerId = nullptr;
    QCheckBox* m_autogenerate = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_nameCount = nullptr;
    QPlainTextEdit* m_description = nullptr;
    QLabel* m_descriptionCount = nullptr;
    QLineEdit* m_productUrl = nullptr;
    QLineEdit* m_imageUrl = nullptr;
    QComboBox* m_category = nullptr;
    QLineEdit* m_price = nullptr;
    QLineEdit* m_shipping = nullptr;
    QComboBox* m_currency = nullptr;
    QLineEdit* m_brand = nullptr;
    QLineEdit* m_upc = nullptr;
    QLineEdit* m_productId = nullptr;
    QLineEdit* m_manufacturerId = nullptr;
    QComboBox* m_color = nullptr;
    QComboBox* m_size = nullptr;
    QCheckBox* m_inStock = nullptr;
    QDateEdit* m_expiry = nullptr;
    QCheckBox* m_doesNotExpire = nullptr;
    QPushButton* m_options = nullptr;
    QPushButton* m_store = nullptr;
    QPushButton* m_cancel = nullptr;
    CAnimatedLabel* m_help1 = nullptr;
    CAnimatedLabel* m_help2 = nullptr;

    QHash<QWidget*, HelpTexts> m_helpFor;
    QHash<QWidget*, QString> m_shownText;  // each text box's text as last shown or read
    // The control an error was just shown for: its focus must not replace the error with its help.
    QPointer<QWidget> m_errorControl;
};

}  // namespace yarvelin
