// "Default Values": the values every new product starts with. The page keeps its own copy and gives it
// to the application only on Apply or OK.
#pragma once

#include "dialogs/option_rules.h"
#include "dialogs/options_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace yarvelin {

class CYarvelinGui;

class COptions2 : public COptionsPage {
    Q_OBJECT
  public:
    explicit COptions2(CYarvelinGui& gui, QWidget* parent = nullptr);

    bool OnKillActive() override;
    void OnApply() override;

    // Whether the page has been shown (and so loaded) while the sheet is open.
    bool IsLoaded() const { return m_loaded; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Load();
    // Reads the controls into the copy; the price and shipping are checked first.
    bool ReadControls();

    CYarvelinGui& m_gui;
    DefaultValues m_values;
    bool m_loaded = false;
    QLineEdit* m_productUrl = nullptr;
    QLineEdit* m_imageUrl = nullptr;
    QComboBox* m_categories = nullptr;
    QLineEdit* m_price = nullptr;
    QLineEdit* m_shipping = nullptr;
    QCheckBox* m_noExpiry = nullptr;
    QCheckBox* m_inStock = nullptr;
    QCheckBox* m_autoGen = nullptr;
    QLineEdit* m_productId = nullptr;
    QLineEdit* m_manufacturerId = nullptr;
    QLineEdit* m_upc = nullptr;
    QComboBox* m_colors = nullptr;
    QComboBox* m_sizes = nullptr;
    QLineEdit* m_brand = nullptr;
};

}  // namespace yarvelin
