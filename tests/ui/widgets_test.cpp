#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "app/compiled_resources.h"
#include "widgets/animated_label.h"
#include "widgets/hover_button.h"
#include "widgets/splash_screen.h"

using namespace yarvelin;

namespace {

QIcon SolidIcon(const QColor& c) {
    QPixmap pm(16, 16);
    pm.fill(c);
    return QIcon(pm);
}

}  // namespace

class WidgetsTest : public QObject {
    Q_OBJECT
  private slots:
    // The splash picture is compiled in; without the program object nothing else registers it.
    void initTestCase() { RegisterGuiResources(); }
    void hoverButtonWithoutCaptionCentresItsIcon();
    void hoverButtonTracksTheMouseOnlyWhenFlat();
    void hoverButtonShowsSecondIconUntilActive();
    void hoverButtonCheckBoxModeToggles();
    void disabledHoverButtonHandsFocusOnAndGreysItsIcon();
    void labelFadesFromBackgroundToTextColour();
    void labelTimerStopsAfterASecond();
    void labelTakesFontDescriptionsAndKeepsFontOnBadOne();
    void splashIsCutToItsOpaquePixels();
    void splashStaysRectangularWithMinusOne();
    void splashWithoutDisplayTimeStaysUntilClicked();
    void splashHidesWhenItsTimeIsUp();
};

void WidgetsTest::hoverButtonWithoutCaptionCentresItsIcon() {
    CHoverButton button;
    button.resize(60, 40);
    button.SetIcon(SolidIcon(Qt::red));
    QCOMPARE(button.IconSize(), QSize(16, 16));
    const HoverButtonLayout layout = button.CurrentLayout();
    QCOMPARE(layout.icon, (PixelRect{22, 12, 16, 16}));
    button.setText(QStringLiteral("Options"));
    QCOMPARE(button.CurrentLayout().icon.x, 3);  // beside a caption it sits at the left margin
}

void WidgetsTest::hoverButtonTracksTheMouseOnlyWhenFlat() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new CHoverButton(QStringLiteral("Hover"), &window);
    auto* other = new QPushButton(QStringLiteral("Other"), &window);
    layout->addWidget(button);
    layout->addWidget(other);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(button, &enter);
    QVERIFY(button->IsMouseOver());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QVERIFY(!button->IsMouseOver());

    QApplication::sendEvent(button, &enter);
    QVERIFY(button->IsMouseOver());
    button->setEnabled(false);
    QVERIFY(!button->IsMouseOver());
    button->setEnabled(true);

    button->SetFlat(false);
    QApplication::sendEvent(button, &enter);
    QVERIFY(!button->IsMouseOver());
}

void WidgetsTest::hoverButtonShowsSecondIconUntilActive() {
    CHoverButton button(QStringLiteral("Go"));
    const QIcon first = SolidIcon(Qt::red);
    const QIcon second = SolidIcon(Qt::blue);
    button.SetIcon(first, second);
    QCOMPARE(button.CurrentIcon()->cacheKey(), second.cacheKey());
    button.setDown(true);
    QCOMPARE(button.CurrentIcon()->cacheKey(), first.cacheKey());
    QCOMPARE(button.CurrentLayout().icon.x, 4);  // moved by the pressed offset
    button.setDown(false);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&button, &enter);
    QCOMPARE(button.CurrentIcon()->cacheKey(), first.cacheKey());
}

void WidgetsTest::hoverButtonCheckBoxModeToggles() {
    CHoverButton button(QStringLiteral("Toggle"));
    button.resize(80, 30);
    button.SetIcon(SolidIcon(Qt::red), SolidIcon(Qt::blue));
    button.SetCheckBoxMode(true);
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(button.isChecked());
    // Checked shows as pressed: first icon, caption moved, icon kept in place.
    QCOMPARE(button.CurrentLayout().caption.y, 4);
    QCOMPARE(button.CurrentLayout().icon.x, 3);
    // A double click arrives as the second press of a pair: it toggles once more.
    const QPointF at(10, 10);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, button.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    {});
    QApplication::sendEvent(&button, &dbl);
    QMouseEvent release(QEvent::MouseButtonRelease, at, button.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        {});
    QApplication::sendEvent(&button, &release);
    QVERIFY(!button.isChecked());
}

void WidgetsTest::disabledHoverButtonHandsFocusOnAndGreysItsIcon() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new CHoverButton(QString(), &window);
    button->SetIcon(SolidIcon(QColor(200, 0, 0)));
    button->setFixedSize(40, 40);
    auto* next = new QPushButton(QStringLiteral("Next"), &window);
    layout->addWidget(button);
    layout->addWidget(next);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    button->setFocus();
    QTRY_VERIFY(button->hasFocus());
    button->setEnabled(false);
    QVERIFY(next->hasFocus());

    // The icon is drawn in the disabled (grey) state.
    const QImage shot = button->grab().toImage();
    const QColor centre = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    QVERIFY2(qAbs(centre.red() - centre.green()) < 40, qPrintable(centre.name()));
}

void WidgetsTest::labelFadesFromBackgroundToTextColour() {
    CAnimatedLabel label;
    qint64 now = 0;
    label.SetElapsedSourceForTest([&now] { return now; });
    label.SetBackgroundColor(QColor(210, 210, 210));
    label.SetText(QStringLiteral("Heading"), QString(), 10);
    QCOMPARE(label.CurrentTextColor(), QColor(210, 210, 210));
    now = 50;
    QCOMPARE(label.CurrentTextColor(), QColor(105, 105, 135));
    now = 100;
    QCOMPARE(label.CurrentTextColor(), QColor(0, 0, 60));
    label.SetText(QStringLiteral("Now"), QString(), 0);
    now = 0;
    QCOMPARE(label.CurrentTextColor(), QColor(0, 0, 60));

    // What reaches the screen at the first paint is the background colour: the text is invisible.
    label.resize(200, 24);
    label.SetText(QStringLiteral("WWWWWWWW"), QString(), 10);
    const QImage first = label.grab().toImage();
    for (int x = 2; x < 100; ++x) {
        QCOMPARE(first.pixelColor(x, 12), QColor(210, 210, 210));
    }
}

void WidgetsTest::labelTimerStopsAfterASecond() {
    CAnimatedLabel label;
    qint64 now = 0;
    label.SetElapsedSourceForTest([&now] { return now; });
    label.SetText(QStringLiteral("x"), QString(), 10);
    QVERIFY(label.IsFading());
    now = 1000;
    QTest::qWait(30);
    QVERIFY(label.IsFading());
    now = 1001;
    QTRY_VERIFY(!label.IsFading());
}

void WidgetsTest::labelTakesFontDescriptionsAndKeepsFontOnBadOne() {
    CAnimatedLabel label;
    QCOMPARE(label.MainFontSpec().faceName, std::string("Tahoma"));
    label.SetText(QStringLiteral("x"), QStringLiteral("Side"), 0, false,
                  "-20,0,0,0,700,1,0,0,0,0,0,2,18,0,0,0,Arial", "not a description");
    QCOMPARE(label.SideFontSpec().faceName, std::string("Arial"));
    QVERIFY(IsBold(label.SideFontSpec()));
    QCOMPARE(label.MainFontSpec(), LabelFontSpec{});
    const QFont side = CAnimatedLabel::ToQFont(label.SideFontSpec());
    QCOMPARE(side.pixelSize(), 20);
    QVERIFY(side.italic());
    QCOMPARE(side.weight(), QFont::Bold);

    label.SetTextColor(Qt::red);
    label.SetText(QStringLiteral("x"), QString(), 0, true);
    QCOMPARE(label.TextColor(), QColor(0, 0, 60));
    QCOMPARE(label.BackgroundColor(), QColor(210, 210, 210));
}

namespace {

// A 20 x 10 picture: magenta everywhere except a 6 x 4 block and a run touching the right edge.
QString WriteShapeBitmap(const QTemporaryDir& dir) {
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    for (int y = 2; y < 6; ++y) {
        for (int x = 3; x < 9; ++x) {
            img.setPixelColor(x, y, QColor(0, 0, 128));
        }
    }
    for (int x = 15; x < 20; ++x) {
        img.setPixelColor(x, 8, QColor(255, 0, 254));  // nearly magenta is opaque
    }
    const QString path = dir.filePath(QStringLiteral("shape.png"));
    img.save(path);
    return path;
}

}  // namespace

void WidgetsTest::splashIsCutToItsOpaquePixels() {
    QTemporaryDir dir;
    auto* splash = new CSplashScreenEx;
    QVERIFY(splash->Create(nullptr, QStringLiteral("Loading"), 0, kSplashCenterOnScreen));
    QVERIFY(splash->SetBitmap(WriteShapeBitmap(dir), 255, 0, 255));
    QRegion expected(3, 2, 6, 4);
    expected += QRect(15, 8, 5, 1);
    QCOMPARE(splash->WindowRegion(), expected);
    QCOMPARE(splash->mask(), expected);
    QCOMPARE(splash->size(), QSize(20, 10));
    QVERIFY(!splash->SetBitmap(dir.filePath(QStringLiteral("missing.png")), 255, 0, 255));
    delete splash;

    // The shipped bitmap loses its magenta corners.
    CSplashScreenEx shipped;
    shipped.Create(nullptr);
    QVERIFY(shipped.SetBitmap(QStringLiteral(":/splash.png"), 255, 0, 255));
    QVERIFY(!shipped.WindowRegion().contains(QPoint(0, 0)));
    QVERIFY(shipped.WindowRegion().contains(QPoint(shipped.width() / 2, shipped.height() / 2)));
}

void WidgetsTest::splashStaysRectangularWithMinusOne() {
    QTemporaryDir dir;
    CSplashScreenEx splash;
    splash.Create(nullptr);
    QVERIFY(splash.SetBitmap(WriteShapeBitmap(dir), 255, -1, 255));
    QVERIFY(splash.WindowRegion().isEmpty());
    QVERIFY(splash.mask().isEmpty());
}

void WidgetsTest::splashWithoutDisplayTimeStaysUntilClicked() {
    QTemporaryDir dir;
    QPointer<CSplashScreenEx> splash = new CSplashScreenEx;
    splash->Create(nullptr, QString(), 0, kSplashHideOnInput | kSplashFadeIn | kSplashFadeOut);
    splash->SetBitmap(WriteShapeBitmap(dir), 255, 0, 255);
    splash->Show();
    QVERIFY(splash->isVisible());
    QVERIFY(!splash->IsTimerRunning());
    QTest::qWait(50);
    QVERIFY(splash);
    QTest::mouseClick(splash.data(), Qt::RightButton, {}, QPoint(4, 3));
    QTRY_VERIFY(splash.isNull());  // hidden, then deleted by itself
}

void WidgetsTest::splashHidesWhenItsTimeIsUp() {
    QTemporaryDir dir;
    QPointer<CSplashScreenEx> splash = new CSplashScreenEx;
    splash->Create(nullptr, QString(), 60, 0);
    splash->SetBitmap(WriteShapeBitmap(dir), 255, 0, 255);
    splash->Show();
    QVERIFY(splash->IsTimerRunning());
    QTest::keyClick(splash.data(), Qt::Key_Space);  // without 0x20 a key does nothing
    QVERIFY(splash);
    QTRY_VERIFY(splash.isNull());
}

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
