#include "ParametersPage.h"

#include "AppState.h"
#include "Build.h"
#include "SettingsControls.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kelvane {

ParametersPage::ParametersPage(const GlobalTexts &texts, QWidget *parent) : QWidget(parent), m_texts(texts)
{
    setObjectName(QStringLiteral("TabSheet2"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(2, 2, 2, 2);
    m_pageControl = new QTabWidget(this);
    m_pageControl->setObjectName(QStringLiteral("PageControlParametry"));
    m_pageControl->setDocumentMode(true);
    v->addWidget(m_pageControl);
    m_tabSheet21 = buildBasicSheet();
    m_tabSheet22 = buildAdvancedSheet();
    m_pageControl->addTab(m_tabSheet21, QStringLiteral("podstawowe"));
    m_pageControl->addTab(m_tabSheet22, QStringLiteral("zaawansowane"));
}

ParametersPage::Sheet ParametersPage::beginSheet(const QString &sheetName, const QString &scrollName)
{
    Sheet s;
    s.sheet = new QWidget;
    s.sheet->setObjectName(sheetName);
    auto *outer = new QVBoxLayout(s.sheet);
    outer->setContentsMargins(2, 2, 2, 2);
    s.info = new QHBoxLayout;
    outer->addLayout(s.info);

    auto *scroll = new QScrollArea(s.sheet);
    scroll->setObjectName(scrollName);
    scroll->setWidgetResizable(true);
    s.content = new QWidget;
    // The sections are at least 557 pixels wide; a narrower page scrolls sideways.
    s.content->setMinimumWidth(557);
    s.sections = new QVBoxLayout(s.content);
    s.sections->setSpacing(1);
    scroll->setWidget(s.content);
    outer->addWidget(scroll, 1);
    return s;
}

void ParametersPage::finishSheet(const Sheet &s)
{
    s.info->addStretch(1);
    s.sections->addStretch(1);
}

QWidget *ParametersPage::buildBasicSheet()
{
    const Sheet s = beginSheet(QStringLiteral("TabSheet21"), QStringLiteral("ScrollBox2"));
    s.info->addWidget(new QLabel(QStringLiteral("back to propane time [s]:"), s.sheet));
    m_timeBack = build::readOnlyEdit(s.sheet, QStringLiteral("EditTimeBackViz"));
    m_timeBack->setMaximumWidth(80);
    s.info->addWidget(m_timeBack);

    static const char *const captions[6] = {"1.Car setup", "2.Propane injector", "3.Level setup",
                                            "4.Switch to propane", "5.Back to gasoline",
                                            "6.Extra injection, accelerate rich/lean"};
    static const std::vector<const char *> headers[6] = {{}, {"ComboBoxInjTyp"}, {"ComboBoxLevSensor"}, {}, {}, {}};
    static const std::vector<const char *> contents[6] = {
        {"ComboBoxRpmSet", "ComboBoxRpmSignal", "AbNumSpinRpmSignalV", "ComboBoxTurbo", "ComboBoxInjNum",
         "ComboBoxLambdaTyp"},
        {"AbNumSpinMinInj", "AbNumSpinPeak", "AbNumSpinHold"},
        {"AbNumSpinE", "AbNumSpin14", "AbNumSpin24", "AbNumSpin34", "CheckBoxLevelSensorNegativ", "AbNumSpinRezRef",
         "CheckBoxWskaznikZasilany"},
        {"ComboBoxRpmSw", "ComboBoxTempSw", "AbNumSpinOnDelay", "AbNumSpinCylinderTime"},
        {"AbNumSpinOffPres", "ComboBoxMinRpm", "ComboBoxMaxRpm", "AbNumSpinOffDelay", "ComboBoxPowrotZminRpm",
         "ComboBoxPowrotZminRpmTime", "CheckBoxValvetronic"},
        {"TrackBarExtraInj", "TrackBarAccelEnrich", "ComboBoxAccRich"}};
    for (int n = 1; n <= 6; ++n) {
        const QString num = QString::number(n);
        QGroupBox *box = addSection(s.content, s.sections, QStringLiteral("LabelPar") + num,
                                    QString::fromLatin1(captions[n - 1]), QStringLiteral("LabelParP") + num,
                                    QStringLiteral("GroupBoxPar") + num, n == 1, headers[n - 1]);
        m_par[static_cast<std::size_t>(n - 1)] = box;
        fillGroup(box, contents[n - 1]);
    }
    // Shown only for the "0-14V" signal source; the valvetronic box is hidden in this layout.
    m_par[0]->findChild<QWidget *>(QStringLiteral("AbNumSpinRpmSignalV"))->hide();
    m_par[4]->findChild<QWidget *>(QStringLiteral("CheckBoxValvetronic"))->hide();
    addStepButtons(m_par[5], "TrackBarExtraInj", "ButtonExtraInMinus", "ButtonExtraInPlus");
    addStepButtons(m_par[5], "TrackBarAccelEnrich", "ButtonAccelMinus", "ButtonAccelPlus");
    finishSheet(s);
    return s.sheet;
}

QWidget *ParametersPage::buildAdvancedSheet()
{
    const Sheet s = beginSheet(QStringLiteral("TabSheet22"), QStringLiteral("ScrollBox1"));
    m_workTime = build::label(s.sheet, QStringLiteral("LabelWorkTime"), QString());
    s.info->addWidget(m_workTime);

    static const char *const captions[8] = {
        "1.SENSORS:", "2.SERVICE:", "3.Propane Temperature Correction", "4.Reducer Temperature Correction",
        "5.External Relay Driver", "6.Injectors heating", "7.Mazda v.4", "8.Extras"};
    static const char *const headerNames[8] = {"LabelCzujniki", "LabelAdvService", "LabelTempCorPropan",
                                               "LabelTempCorRed", "LabelAdvRelayDr", "LabelInjHeat", "LabelAdv7",
                                               "LabelAdv8"};
    static const std::vector<const char *> headers[8] = {{}, {}, {"AbToggleSwitchTempCorProp"},
                                                         {"AbToggleSwitchTempCorRed"}, {},
                                                         {"AbToggleSwitchInjHeat"}, {"AbToggleSwitchAdv7"}, {}};
    static const std::vector<const char *> contents[8] = {
        {"ComboBoxTGsensor", "ComboBoxTRsensor", "ComboBoxPresSensor", "ComboBoxMAPSensType"},
        {},
        {},
        {},
        {"ComboBoxExtRelay"},
        {"AbNumSpinAdvTempHeat", "AbNumSpinAdvHeatT", "AbNumSpinAdvHeatNornal", "AbNumSpinAdvHeatLow",
         "ComboBoxHeatMode"},
        {"AbNumSpinMazdaMinInj", "AbNumSpinMazdaMaxInj", "AbNumSpinMinRpm", "AbNumSpinFilterStep"},
        {"ComboBoxDifPenEm28", "TrackBarSwitchBright", "TrackBarBeepTime", "CheckBoxSilentMode",
         "CheckBoxBeepWhenGazOn", "CheckBoxBeepWhenSwClick", "CheckBoxBeepWhenError", "ComboBoxBeepsWhenEmpty",
         "ComboBoxErrorsBeep", "CheckBoxGazStart"}};
    for (int n = 1; n <= 8; ++n) {
        const QString toggle =
            n == 1 ? QStringLiteral("LabelR0") : QStringLiteral("LabelAdvR") + QString::number(n - 1);
        QGroupBox *box = addSection(s.content, s.sections, QString::fromLatin1(headerNames[n - 1]),
                                    QString::fromLatin1(captions[n - 1]), toggle,
                                    QStringLiteral("GroupBoxAdv") + QString::number(n), n == 1, headers[n - 1]);
        m_adv[static_cast<std::size_t>(n - 1)] = box;
        fillGroup(box, contents[n - 1]);
    }
    // The injector heating group also shows the controller's heating time.
    auto *grid = static_cast<QGridLayout *>(m_adv[5]->layout());
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(QStringLiteral("heating time [s]:"), m_adv[5]), row, 0);
    m_heatTime = build::readOnlyEdit(m_adv[5], QStringLiteral("EditHeatWizTime"));
    m_heatTime->setMaximumWidth(80);
    grid->addWidget(m_heatTime, row, 1);
    addPercentEdit(m_adv[7], "TrackBarSwitchBright", "EditSwitchBright");
    addPercentEdit(m_adv[7], "TrackBarBeepTime", "EditBeepTime");
    finishSheet(s);
    return s.sheet;
}

QGroupBox *ParametersPage::addSection(QWidget *content, QLayout *layout, const QString &headerName,
                                      const QString &caption, const QString &toggleName, const QString &boxName,
                                      bool open, const std::vector<const char *> &headerControls)
{
    auto *header = new QFrame(content);
    header->setFrameShape(QFrame::StyledPanel);
    auto *h = new QHBoxLayout(header);
    h->setContentsMargins(6, 2, 6, 2);
    QLabel *title = build::label(header, headerName, caption);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    h->addWidget(title);
    for (const char *control : headerControls) {
        if (QWidget *w = createSetting(header, control))
            h->addWidget(w);
    }
    h->addStretch(1);
    QLabel *toggle = build::label(header, toggleName,
                                  QString::fromStdString(open ? m_texts.groupOpen : m_texts.groupClosed));
    toggle->setCursor(Qt::PointingHandCursor);
    toggle->installEventFilter(this);
    h->addWidget(toggle);
    layout->addWidget(header);

    QGroupBox *box = build::group(content, boxName, QString());
    box->setVisible(open);
    layout->addWidget(box);
    m_sections.push_back({toggle, box});
    return box;
}

void ParametersPage::fillGroup(QGroupBox *box, const std::vector<const char *> &controls)
{
    auto *grid = new QGridLayout(box);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    // Two columns of caption and control.
    const int perColumn = static_cast<int>((controls.size() + 1) / 2);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const int k = static_cast<int>(i);
        addSetting(box, grid, k % std::max(1, perColumn), k < perColumn ? 0 : 2, controls[i]);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    if (controls.empty())
        box->setMinimumHeight(40);
}

void ParametersPage::addStepButtons(QGroupBox *box, const char *trackBar, const char *minusName, const char *plusName)
{
    QWidget *track = box->findChild<QWidget *>(QString::fromLatin1(trackBar));
    auto *grid = static_cast<QGridLayout *>(box->layout());
    int row = 0, column = 0, rs = 0, cs = 0;
    grid->getItemPosition(grid->indexOf(track), &row, &column, &rs, &cs);
    grid->removeWidget(track);
    auto *line = new QHBoxLayout;
    auto button = [box](const char *name, const QString &text) {
        auto *b = new QPushButton(text, box);
        b->setObjectName(QString::fromLatin1(name));
        b->setEnabled(false);
        b->setMaximumWidth(28);
        return b;
    };
    line->addWidget(button(minusName, QStringLiteral("-")));
    line->addWidget(track, 1);
    line->addWidget(button(plusName, QStringLiteral("+")));
    grid->addLayout(line, row, column);
}

void ParametersPage::addPercentEdit(QGroupBox *box, const char *trackBar, const char *editName)
{
    QWidget *track = box->findChild<QWidget *>(QString::fromLatin1(trackBar));
    auto *grid = static_cast<QGridLayout *>(box->layout());
    int row = 0, column = 0, rs = 0, cs = 0;
    grid->getItemPosition(grid->indexOf(track), &row, &column, &rs, &cs);
    grid->removeWidget(track);
    auto *line = new QHBoxLayout;
    line->addWidget(track, 1);
    QLineEdit *edit = build::readOnlyEdit(box, QString::fromLatin1(editName));
    edit->setMaximumWidth(56);
    line->addWidget(edit);
    line->addWidget(new QLabel(QStringLiteral("%"), box));
    grid->addLayout(line, row, column);
}

bool ParametersPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (const Section &s : m_sections) {
            if (s.toggle == watched) {
                toggleSection(s.toggle);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ParametersPage::toggleSection(QLabel *toggle)
{
    for (const Section &s : m_sections) {
        if (s.toggle != toggle)
            continue;
        const bool open = s.toggle->text() == QString::fromStdString(m_texts.groupOpen);
        s.toggle->setText(QString::fromStdString(open ? m_texts.groupClosed : m_texts.groupOpen));
        s.box->setVisible(!open);
    }
}

void ParametersPage::showHeatTime(const DisplayContext &c)
{
    m_heatTime->setText(QString::fromStdString(screenFixed(tenths(c.live.u16(rec::HeatTime)), 1, c.decimalPoint)));
}

void ParametersPage::showWorkTime(const DisplayContext &c, const StatusTexts &texts)
{
    m_workTime->setText(QString::fromStdString(
        workTimeText(c.live.u32(rec::PetrolWorkTime), c.live.u32(rec::GasWorkTime), texts, c.decimalPoint)));
}

void ParametersPage::showReturnTime(const DisplayContext &c)
{
    m_timeBack->setText(QString::fromStdString(screenFixed(tenths(c.live.u16(rec::ReturnTime)), 1, c.decimalPoint)));
}

} // namespace kelvane
