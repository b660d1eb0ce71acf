// A page of the options sheet: the sheet asks it before it is left and tells it to apply.
#pragma once

#include <QWidget>
#include <functional>

namespace yarvelin {

class COptionsPage : public QWidget {
  public:
    using QWidget::QWidget;

    // The page is about to be left (another tab, Apply or OK): false keeps it.
    virtual bool OnKillActive() { return true; }
    // Apply or OK after every page agreed to be left.
    virtual void OnApply() {}

    // The sheet's hook for "this page has changes" (enables Apply).
    void SetModifiedHandler(std::function<void()> handler) { m_onModified = std::move(handler); }

  protected:
    void SetModified() {
        if (m_onModified) {
            m_onModified();
        }
    }

  private:
    std::function<void()> m_onModified;
};

}  // namespace yarvelin
