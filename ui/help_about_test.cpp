// The help and About windows: their captions, sizes, controls and texts, the
// Close buttons and the frame's close control, and the program icon.

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <memory>

#include "ui/about_window.h"
#include "ui/help_window.h"
#include "ui/look.h"

namespace vorrik {
namespace {

// A window by its object name; Form3's callback does nothing.
QWidget* NewForm(const QString& name) {
  if (name == QLatin1String("Form2")) return new Form2();
  return new Form3([] {});
}

// Destroys the windows deleteLater() and WA_DeleteOnClose have queued.
void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

class HelpAboutTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallFontSubstitutes(); }

  // The test runs on the platform and at the scale that CTest asked for
  // through Qt's own variables; these names say which, and reach the program
  // even where a launcher (Wine) keeps Qt's variables from it.
  void runsOnThePlatformAndScaleAsked() {
    const QString platform = qEnvironmentVariable("VORRIK_TEST_PLATFORM");
    if (platform.isEmpty()) QSKIP("VORRIK_TEST_PLATFORM is not set: run through CTest");
    QCOMPARE(QGuiApplication::platformName(), platform);
    const double scale = qEnvironmentVariable("VORRIK_TEST_SCALE", QStringLiteral("1")).toDouble();
    std::unique_ptr<QWidget> window(NewForm(QStringLiteral("Form2")));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->devicePixelRatio(), scale);
  }

  void iconImages_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("side");
    for (int side : {16, 32, 64, 128})
      QTest::newRow(qPrintable(QString::number(side)))
          << QStringLiteral(":/icons/vorrik-%1.png").arg(side) << side;
  }

  // Each image loads at its size and keeps to the classic 16 colours, with a
  // clear background allowed.
  void iconImages() {
    QFETCH(QString, file);
    QFETCH(int, side);
    ProgramIcon();  // registers the icon resources
    const QImage image(file);
    QVERIFY2(!image.isNull(), qPrintable(file));
    QCOMPARE(image.size(), QSize(side, side));
    const QSet<QRgb> palette = {0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080,
                                0xff008080, 0xffc0c0c0, 0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
                                0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    QSet<QRgb> opaque;
    bool clear = false;
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        const QRgb rgb = pixels.pixel(x, y);
        if (qAlpha(rgb) == 0) {
          clear = true;
          continue;
        }
        QVERIFY2(palette.contains(rgb), qPrintable(QStringLiteral("pixel %1,%2 is %3")
                                                       .arg(x)
                                                       .arg(y)
                                                       .arg(rgb, 8, 16, QLatin1Char('0'))));
        opaque.insert(rgb);
      }
    }
    QVERIFY(opaque.size() + (clear ? 1 : 0) <= 16);
  }

  void windows_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::newRow("help") << QStringLiteral("Form2") << QStringLiteral("How to use VORRIK") << QSize(379, 250);
    QTest::newRow("about") << QStringLiteral("Form3") << QStringLiteral("About VORRIK") << QSize(343, 300);
  }

  // Caption, client size and a sizable frame with all three controls.
  void windows() {
    QFETCH(QString, form);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    std::unique_ptr<QWidget> window(NewForm(form));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->objectName(), form);
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(window->size(), client);
    QVERIFY(window->isWindow());
    QCOMPARE(window->parentWidget(), nullptr);
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QCOMPARE(window->minimumSize(), QSize(0, 0));
    QCOMPARE(window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  }

  void controls_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<Qt::Alignment>("across");
    const auto row = [](const char* form, const char* control, QRect place, Qt::Alignment across) {
      QTest::addRow("%s %s", form, control)
          << QString::fromLatin1(form) << QString::fromLatin1(control) << place << across;
    };
    const Qt::Alignment button{};  // buttons: no alignment to check
    row("Form2", "Command1", Twips(2280, 3120, 1215, 495), button);
    row("Form2", "Label1", Twips(240, 240, 5175, 735), Qt::AlignLeft);
    row("Form2", "Label2", Twips(240, 1200, 5175, 855), Qt::AlignLeft);
    row("Form2", "Label3", Twips(240, 2160, 5175, 615), Qt::AlignLeft);
    row("Form3", "Label1", Twips(240, 240, 4575, 855), Qt::AlignLeft);
    row("Form3", "Label2", Twips(240, 1320, 4575, 855), Qt::AlignLeft);
    row("Form3", "Label3", Twips(240, 3120, 4575, 495), Qt::AlignHCenter);
    row("Form3", "Label4", Twips(240, 3840, 4575, 615), Qt::AlignHCenter);
    row("Form3", "Command1", Twips(1920, 2400, 1215, 495), button);
  }

  // Every control sits where it belongs; every label wraps its text from the
  // top, without clipping it at the window's font.
  void controls() {
    QFETCH(QString, form);
    QFETCH(QString, control);
    QFETCH(QRect, place);
    QFETCH(Qt::Alignment, across);
    std::unique_ptr<QWidget> window(NewForm(form));
    auto* widget = window->findChild<QWidget*>(control);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), window.get());
    QCOMPARE(widget->geometry(), place);
    auto* label = qobject_cast<QLabel*>(widget);
    if (!label) {
      auto* close = qobject_cast<QPushButton*>(widget);
      QVERIFY(close);
      QCOMPARE(close->text(), QStringLiteral("Close"));
      return;
    }
    QVERIFY(label->wordWrap());
    QCOMPARE(label->alignment(), across | Qt::AlignTop);
    QVERIFY(!label->text().isEmpty());
    const int needed = label->heightForWidth(place.width());
    QVERIFY2(needed <= place.height(), qPrintable(QStringLiteral("%1 needs %2 px, has %3")
                                                      .arg(control)
                                                      .arg(needed)
                                                      .arg(place.height())));
  }

  void helpTexts_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label1") << QStringLiteral("Label1")
                            << QStringLiteral(
                                   "VORRIK is an application made for hackers to help them keep careful count of JK "
                                   "objects. VORRIK can also rip apart lines of code into their base objects, making "
                                   "the process of writing hacks much quicker.");
    QTest::newRow("Label2") << QStringLiteral("Label2")
                            << QStringLiteral(
                                   "To use VORRIK, simply open a file using the menu. Clicking on a single line in "
                                   "the cog display will copy the text to a box below, where you can edit it. "
                                   "Highlighting multiple lines in the cog display will allow you to rip the code "
                                   "down into X's, or see a count of the objects in those line(s).");
    QTest::newRow("Label3") << QStringLiteral("Label3")
                            << QStringLiteral(
                                   "The object bank is the number of objects you must create or remove. If the "
                                   "number is negative, you must remove that number of objects. If the number is "
                                   "positive, you must add that number of objects.");
  }

  void helpTexts() {
    QFETCH(QString, control);
    QFETCH(QString, text);
    Form2 window;
    auto* label = window.findChild<QLabel*>(control);
    QVERIFY(label);
    QCOMPARE(label->text(), text);
    QVERIFY(!Qt::mightBeRichText(label->text()));
  }

  // The credits name the author and the Kestrimar, and the centred thanks
  // stay one sentence.
  void aboutTexts() {
    Form3 window([] {});
    const QString label3 = window.findChild<QLabel*>(QStringLiteral("Label3"))->text();
    const QString label4 = window.findChild<QLabel*>(QStringLiteral("Label4"))->text();
    QVERIFY(label4.contains(QLatin1String("Orvel_Tand")));
    QVERIFY(label4.contains(QLatin1String("Kestrimar")));
    QCOMPARE(label3.count(QRegularExpression(QStringLiteral("[.!?](\\s|$)"))), 1);
    for (const QLabel* label : window.findChildren<QLabel*>()) {
      QVERIFY2(!Qt::mightBeRichText(label->text()), qPrintable(label->objectName()));
    }
  }

  void focus_data() {
    QTest::addColumn<QString>("form");
    QTest::newRow("help") << QStringLiteral("Form2");
    QTest::newRow("about") << QStringLiteral("Form3");
  }

  // Close is the only control the keyboard reaches, so it has the focus as
  // soon as the window is active.
  void focus() {
    QFETCH(QString, form);
    std::unique_ptr<QWidget> window(NewForm(form));
    auto* close = window->findChild<QPushButton*>(QStringLiteral("Command1"));
    QVERIFY(close);
    for (const QWidget* child : window->findChildren<QWidget*>()) {
      if (child != close) QVERIFY2(child->focusPolicy() == Qt::NoFocus, qPrintable(child->objectName()));
    }
    QVERIFY(close->focusPolicy() & Qt::TabFocus);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTRY_COMPARE(QApplication::focusWidget(), close);
  }

  void helpCloseHides() {
    QPointer<Form2> window = new Form2();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    QTest::mouseClick(&window->command1(), Qt::LeftButton);
    QVERIFY(!window->isVisible());
    RunDeferredDeletes();
    QVERIFY(window);
    window->show();
    QVERIFY(window->isVisible());
    delete window.data();
  }

  void helpFrameCloseDestroys() {
    QPointer<Form2> window = new Form2();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    QVERIFY(window->close());
    RunDeferredDeletes();
    QVERIFY(!window);
  }

  // Close hides About first and then brings the main window back, once; the
  // window itself stays.
  void aboutCloseShowsMainWindow() {
    QWidget main;
    int calls = 0;
    bool aboutVisibleAtCall = true;
    QPointer<Form3> window;
    window = new Form3([&] {
      ++calls;
      aboutVisibleAtCall = window && window->isVisible();
      main.show();
    });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    QTest::mouseClick(&window->command1(), Qt::LeftButton);
    QCOMPARE(calls, 1);
    QVERIFY(!aboutVisibleAtCall);
    QVERIFY(!window->isVisible());
    QVERIFY(main.isVisible());
    RunDeferredDeletes();
    QVERIFY(window);
    delete window.data();
    QCOMPARE(calls, 1);
  }

  // Closed through the frame, About brings the main window back once and is
  // destroyed.
  void aboutFrameCloseShowsMainWindow() {
    QWidget main;
    int calls = 0;
    QPointer<Form3> window = new Form3([&] {
      ++calls;
      main.show();
    });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    QVERIFY(window->close());
    QCOMPARE(calls, 1);
    QVERIFY(main.isVisible());
    RunDeferredDeletes();
    QVERIFY(!window);
    QCOMPARE(calls, 1);
  }
};

}  // namespace vorrik

QTEST_MAIN(vorrik::HelpAboutTest)
#include "help_about_test.moc"
