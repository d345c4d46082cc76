// Run under several locales (see CMakeLists.txt): whatever the desktop's
// language, the window draws Chinese with a Simplified Chinese face.

#include "fakedesktop.h"
#include "ui/chinesefonts.h"
#include "ui/form1.h"
#include "ui/frmsplash.h"
#include "ui/qtdesktop.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QLabel>
#include <QRawFont>
#include <QTest>
#include <QTextLayout>

using namespace Qt::StringLiterals;

namespace {

// The face that draws the first of `text` in `font`, fallback included.
QString faceFor(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return runs.isEmpty() ? QString() : runs.first().rawFont().familyName();
}

} // namespace

class TestChineseFonts : public QObject
{
    Q_OBJECT

private slots:
    // As main() does.
    void initTestCase() { ChineseFonts::applyToApplication(); }
    void simplifiedForms_data();
    void simplifiedForms();
    void messageBoxFitsItsTitle();
};

void TestChineseFonts::simplifiedForms_data()
{
    QTest::addColumn<QString>("control");

    QTest::newRow("seat") << u"Command1_0"_s;
    QTest::newRow("message box") << u"box"_s;
    QTest::newRow("About window") << u"Label2"_s;
    QTest::newRow("podium marker") << u"Text1"_s;
}

void TestChineseFonts::simplifiedForms()
{
    QFETCH(QString, control);

    const QStringList simplified{u"Noto Sans CJK SC"_s, u"Noto Serif CJK SC"_s};
    if (QFontDatabase::styles(simplified.first()).isEmpty())
        QSKIP("No Simplified Chinese face installed (fonts-noto-cjk)");
    FakeDesktop desktop;
    Form1 form(desktop);
    frmSplash about(desktop, &form);
    const auto box = QtDesktop::messageBox(&form, QMessageBox::NoIcon, u"保存完成"_s, u"保存完成"_s);
    QWidget *widget = control == u"box" ? box.get() : form.findChild<QWidget *>(control);
    widget = widget ? widget : about.findChild<QWidget *>(control);
    QVERIFY(widget);
    // 骨, 令, 户 and 刃 differ between the Chinese and the Japanese faces.
    for (const QString &character : {u"骨"_s, u"令"_s, u"户"_s, u"刃"_s})
        QVERIFY2(simplified.contains(faceFor(character, widget->font())), qPrintable(faceFor(character, widget->font())));
}

void TestChineseFonts::messageBoxFitsItsTitle()
{
    // A window manager draws the title beside its buttons, larger or bold.
    for (const QString &title : {u"保存完成"_s, u"打开完成"_s, u"Sedario"_s, u"排考场"_s}) {
        const auto box = QtDesktop::messageBox(nullptr, QMessageBox::Warning, u"x"_s, title);
        box->show();
        QVERIFY(box->width() >= box->fontMetrics().horizontalAdvance(title) + 150);
        box->hide();
    }
}

QTEST_MAIN(TestChineseFonts)
#include "tst_chinesefonts.moc"
