#pragma once
// "[F6]mapping" (TabSheet41): the auto-mapping view PaintBoxMapowanie, redrawn from every live
// record while this page is selected, and below it PanelMapowaniePrzyciski with the 2D map's
// grid StringGridMapa2D, its step buttons, the 2D smoothing, the two sample resets and the map
// calculation.

#include "MapContext.h"
#include "MapGrid.h"
#include "MappingView.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

class QFrame;
class QPushButton;

namespace kelvane {

// The paint box: shows the picture of the last live record the polling cycle processed, and
// nothing while `showPicture` says no (not connected). Reports the pointer and clicks.
//
// The polling cycle hands over how to draw that picture (the state it saw, copied); the drawing
// itself waits until the picture is wanted: the next paint of the view, or picture(). A view off
// screen (another page in front) so costs nothing per record, and shows the same picture as if it
// had been drawn at every record once it comes to the front.
class MappingPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit MappingPaintBox(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    void setPictureSource(std::function<QImage()> draw);
    // The picture of the last record (drawn now if it was not yet).
    const QImage &picture() const;
    void setShowPicture(std::function<bool()> show) { m_show = std::move(show); }

signals:
    void mouseMoved(int x, int y);
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    mutable QImage m_picture;
    mutable std::function<QImage()> m_draw; // set while m_picture is out of date
    std::function<bool()> m_show;
    bool m_pressed = false;
};

class MappingViewPage : public QWidget {
    Q_OBJECT
public:
    explicit MappingViewPage(MapContext &context, QWidget *parent = nullptr);

    MappingPaintBox *paintBox() const { return PaintBoxMapowanie; }
    MapGrid *grid2D() const { return StringGridMapa2D; }

    // Refreshes both rows of the 2D grid from the image and draws the view (one live record).
    void PaintMappingView();
    // Both rows of the 2D grid from the image.
    void showMap2DRows();
    void repaintGrid();
    // Entry of the 2D map whose column is lit; nothing while not connected.
    std::optional<int> liveColumn() const;

    int selectedPoint() const { return m_selected; }
    const maps::MappingGeometry &geometry();

    // Handlers, named after their controls.
    void PaintBoxMapowanieMouseMove(int x, int y);
    void PaintBoxMapowanieClick();
    void ButtonMapowanieSmoothClick();
    void ButtonResetBenzClick();
    void ButtonResetGazClick();
    void ButtonCallculateMapClick();
    void StringGridMapa2DKeyUp(int keyCode, bool shift);
    void ButtonPlus1Click() { step2D(1); }
    void ButtonPlus5Click() { step2D(5); }
    void ButtonMinus1Click() { step2D(-1); }
    void ButtonMinus5Click() { step2D(-5); }
    void copySelection();
    void pasteAtSelection();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void drawCell(QPainter &painter, int col, int row, const QRect &rect, MapGrid::CellState state) const;
    void step2D(int step);
    void showValues();
    // Until the first image is shown the value row shows zeros while the image holds nothing:
    // the first edit takes the row as shown into the image.
    void takeShownValuesIntoImage();
    void apply2DGridWidth(int panelWidth);

    MapContext &m_context;
    bool m_valuesFromImage = false;
    bool m_painted = false;
    maps::MappingGeometry m_geometry;
    int m_mouseX = 0;
    int m_mouseY = 0;
    int m_selected = 0;

    MappingPaintBox *PaintBoxMapowanie = nullptr;
    QFrame *PanelMapowaniePrzyciski = nullptr;
    MapGrid *StringGridMapa2D = nullptr;
    QPushButton *ButtonPlus1 = nullptr;
    QPushButton *ButtonPlus5 = nullptr;
    QPushButton *ButtonMinus1 = nullptr;
    QPushButton *ButtonMinus5 = nullptr;
    QPushButton *ButtonMapowanieSmooth = nullptr;
    QPushButton *ButtonResetBenz = nullptr;
    QPushButton *ButtonResetGaz = nullptr;
    QPushButton *ButtonCallculateMap = nullptr;
};

} // namespace kelvane
