// The moving picture at the top of the transfer dialog: a sheet of paper travelling between two folders.
#pragma once

#include <QTimer>
#include <QWidget>

namespace yarvelin {

class CTransferAnimationWidget : public QWidget {
    Q_OBJECT
  public:
    explicit CTransferAnimationWidget(QWidget* parent = nullptr);

    // Plays from the first frame, repeating until Stop().
    void Play();
    void Stop();
    bool IsPlaying() const { return m_timer.isActive(); }
    void SetFrame(int frame) {
        m_frame = frame % kFrames;
        update();
    }
    QSize sizeHint() const override { return {272, 60}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    static constexpr int kFrames = 24;
    QTimer m_timer;
    int m_frame = 0;
};

}  // namespace yarvelin
