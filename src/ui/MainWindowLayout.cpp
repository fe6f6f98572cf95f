#include "ui/MainWindowLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>

namespace velmora {

namespace {

using Geometry = MainWindowControls;

// An overlay on the market-window caption stands a pixel above the caption's line and reaches a pixel below
// it, two pixels narrower than the blanks it covers but never narrower than this.
constexpr int MinimumOverlayWidth = 40;

int progressBarHeight(const MainWindowControls& ui)
{
    return std::max(ui.StatusBar1->height() - Geometry::ProgressBarTop, 1);
}

void wrapMarketCaption(MainWindowControls& ui)
{
    // With a wider font than the one the window was drawn for (Noto CJK rather than ＭＳ Ｐゴシック) the
    // market-window caption runs past the frame at the built-in width; it then goes on in a second line. The
    // break comes after the last blank that a control covers, so the controls stay on the first line.
    const int room = Geometry::FrameWidth - Geometry::BoxX - Geometry::Bevel2BottomMargin;
    if (ui.CheckBox2->sizeHint().width() <= room) {
        return;
    }
    const QString caption = ui.CheckBox2->text();
    const qsizetype breakAt = caption.indexOf(QStringLiteral("マーケット"));
    if (breakAt <= 0) {
        return;
    }
    ui.CheckBox2->setText(caption.left(breakAt) + QLatin1Char('\n') + caption.mid(breakAt));
    ui.CheckBox2->adjustSize();
}

void placeMarketControls(MainWindowControls& ui, const QStyle& style)
{
    // The check box's caption leaves runs of ideographic blanks; the weekday lists and time boxes are laid
    // over them so that the line reads weekday, time, weekday, time.
    const QCheckBox* box = ui.CheckBox2;
    const QString caption = box->text();
    const QFontMetrics metrics(box->font());
    const int textStart = box->x() + style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                          style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
    // The overlays sit on the caption's first line, which is the only one unless the caption wraps. The lines
    // stand centred in the box; over a wrapped caption the overlays keep to the first line's height so that
    // they leave the second line readable.
    const int lines = static_cast<int>(caption.count(QLatin1Char('\n'))) + 1;
    const int textTop = box->y() + (box->height() - lines * metrics.lineSpacing()) / 2;
    const int lineHeight = lines == 1 ? box->height() : metrics.lineSpacing();
    const int firstLineTop = lines == 1 ? box->y() : textTop;
    QWidget* overlays[] = {ui.ComboBox1, ui.Edit4, ui.ComboBox2, ui.Edit5};
    const QChar blank(0x3000);
    qsizetype from = 0;
    for (QWidget* overlay : overlays) {
        const qsizetype start = caption.indexOf(blank, from);
        qsizetype end = start;
        while (end < caption.size() && caption.at(end) == blank) {
            ++end;
        }
        const int x = textStart + metrics.horizontalAdvance(caption.left(start));
        const int width = metrics.horizontalAdvance(caption.mid(start, end - start));
        overlay->setGeometry(x, firstLineTop - 1, std::max(width - 2, MinimumOverlayWidth), lineHeight + 2);
        overlay->raise();
        from = end;
    }
}

} // namespace

int fullPanelHeight(const MainWindowControls& ui)
{
    return Geometry::UpperPanelHeight + (ui.Bevel2->height() - Geometry::Bevel2BuiltInHeight);
}

int compactPanelHeight(const MainWindowControls& ui)
{
    int giving = Geometry::FileListHeight - Geometry::MinimumFileListHeight;
    for (std::size_t i = 0; i < std::size(Geometry::PanelGaps); ++i) {
        giving += Geometry::PanelGaps[i] - Geometry::MinimumPanelGaps[i];
    }
    return fullPanelHeight(ui) - giving;
}

int compactWindowHeight(const MainWindowControls& ui)
{
    return compactPanelHeight(ui) + ui.StatusBar1->sizeHint().height();
}

void layoutUpperPanel(MainWindowControls& ui, int width, int available)
{
    int gaps[std::size(Geometry::PanelGaps)];
    std::copy(std::begin(Geometry::PanelGaps), std::end(Geometry::PanelGaps), std::begin(gaps));
    int shortfall = std::max(0, fullPanelHeight(ui) - available);
    for (std::size_t i = 0; i < std::size(gaps); ++i) {
        const int given = std::min(shortfall, gaps[i] - Geometry::MinimumPanelGaps[i]);
        gaps[i] -= given;
        shortfall -= given;
    }
    const int listHeight =
        Geometry::FileListHeight - std::min(shortfall, Geometry::FileListHeight - Geometry::MinimumFileListHeight);

    ui.Panel2->setGeometry(0, 0, width, Geometry::FileListTop + listHeight);
    ui.ListBox1->setGeometry(0, Geometry::FileListTop, width, listHeight);
    int y = ui.Panel2->height() + gaps[0];
    for (QPushButton* button : {ui.Button1, ui.Button2, ui.Button4, ui.Cancel}) {
        button->move(button->x(), y);
    }
    y += Geometry::ButtonHeight + gaps[1];
    ui.Bevel1->move(ui.Bevel1->x(), y);
    y += Geometry::Bevel1Height + gaps[2];
    ui.Bevel2->move(ui.Bevel2->x(), y);
    y += ui.Bevel2->height() + gaps[3];
    ui.Bevel3->move(ui.Bevel3->x(), y);
    y += Geometry::Bevel3Height + gaps[4];

    ui.Panel1->setGeometry(0, 0, width, y);
    const int logHeight = std::max(0, available - y);
    ui.Memo1->setGeometry(0, y, width, logHeight);
    ui.Memo1->setVisible(logHeight > 0);
}

void layoutControls(MainWindowControls& ui, int width, int available)
{
    layoutUpperPanel(ui, width, available);
    ui.Bevel1->resize(width - Geometry::FrameMargin, ui.Bevel1->height());
    ui.Bevel2->resize(width - Geometry::FrameMargin, ui.Bevel2->height());
    ui.Edit1->resize(width - Geometry::Edit1Margin, ui.Edit1->height());
    ui.ProgressBar1->resize(ui.ProgressBar1->width(), progressBarHeight(ui));
}

void placeProgressBar(MainWindowControls& ui)
{
    ui.ProgressBar1->setGeometry(Geometry::ProgressBarX, Geometry::ProgressBarTop, Geometry::ProgressBarWidth,
                                 progressBarHeight(ui));
}

void fitMarketLine(MainWindowControls& ui, const QStyle& style)
{
    wrapMarketCaption(ui);
    placeMarketControls(ui, style);
    ui.Bevel2->resize(ui.Bevel2->width(),
                      std::max(Geometry::Bevel2BuiltInHeight,
                               ui.CheckBox2->y() + ui.CheckBox2->height() + Geometry::Bevel2BottomMargin));
}

} // namespace velmora
