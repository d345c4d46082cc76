// The reference of the start-up benchmark: the least a Qt Widgets program
// needs to put Sedario's window on the screen. One fixed-size QWidget holds
// plain QPushButtons where Sedario has its 35 seats and 8 commands, with the
// same captions, and a QStatusBar with three labels. It reads no file and
// builds nothing else, and it quits once the window has been painted.
//
// The names are those of examples/default.txt, written into the program so
// that it does no work of its own beyond making the window; the same Chinese
// text still makes Qt load the same fallback font as Sedario does. The
// benchmark checks the captions against that file on every run.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// Sedario lays its window out in twips; fifteen make one pixel.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

struct Command {
    QString caption;
    QRect geometry;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    // examples/default.txt, column by column (seven seats to a column).
    const std::array names{
        u"王子涵"_s, u"李欣怡"_s, u"张浩然"_s, u"刘雨桐"_s, u"陈思远"_s, u"杨梓轩"_s, u"黄一诺"_s, u"赵嘉怡"_s, u"吴俊杰"_s,
        u"周语嫣"_s, u"徐天佑"_s, u"孙可馨"_s, u"马文博"_s, u"朱晓彤"_s, u"胡明轩"_s, u"郭诗琪"_s, u"何宇航"_s, u"高若曦"_s,
        u"林泽宇"_s, u"罗佳琪"_s, u"郑浩宇"_s, u"梁雅婷"_s, u"谢子墨"_s, u"宋欣然"_s, u"唐博文"_s, u"许梦洁"_s, u"韩睿泽"_s,
        u"冯思彤"_s, u"邓皓轩"_s, u"曹雨欣"_s, u"彭俊熙"_s, u"曾紫涵"_s, u"肖逸凡"_s, u"田沐阳"_s, u"董心怡"_s,
    };
    const std::array commands{
        Command{u"打开"_s, rect(120, 4800, 855, 375)},      Command{u"保存"_s, rect(1880, 4800, 975, 375)},
        Command{u"另存为"_s, rect(3760, 4800, 975, 375)},   Command{u"旋转"_s, rect(120, 5280, 855, 375)},
        Command{u"讲台位置"_s, rect(5640, 5280, 975, 375)}, Command{u"左移一列"_s, rect(1880, 5280, 975, 375)},
        Command{u"右移一列"_s, rect(3760, 5280, 975, 375)}, Command{u"排考场"_s, rect(5640, 4800, 975, 375)},
    };

    QWidget window;
    window.setWindowTitle(u"Sedario"_s);
    window.setFixedSize(px(6750), px(6135));
    for (int i = 0; i < int(names.size()); ++i) {
        auto *seat = new QPushButton(names[std::size_t(i)], &window);
        seat->setGeometry(rect(120 + 1350 * (i / 7), 720 + 480 * (i % 7), 1095, 375));
    }
    for (const Command &command : commands)
        (new QPushButton(command.caption, &window))->setGeometry(command.geometry);

    auto *statusBar = new QStatusBar(&window);
    statusBar->setSizeGripEnabled(false);
    statusBar->setGeometry(rect(0, 5760, 6750, 375));
    statusBar->addWidget(new QLabel(u"Sedario https://sedario.example.org"_s), 1);
    statusBar->addPermanentWidget(new QLabel(u"版本:1.0.1"_s));
    statusBar->addPermanentWidget(new QLabel(u"设计：Sedario"_s));

    window.show();
    return app.exec();
}
