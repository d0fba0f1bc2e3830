#include "panel/main_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileSystemWatcher>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QWindow>

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/key_synthesis.h"
#include "platform/focus_watch.h"
#include "platform/known_folders.h"
#include "platform/runtime_folder.h"
#include "shared/function_codes.h"
#include "shared/macro_file.h"
#include "shared/string_table.h"
#include "shared/window_messages.h"
#include "panel/dialogs/function_dialogs.h"
#include "panel/dialogs/program_dialog.h"
#include "panel/dialogs/prompts.h"
#include "panel/function_menu.h"
#include "panel/lighting_page.h"
#include "shared/macro_library.h"
#include "panel/macro/macro_page.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/skin_description.h"
#include "skin/skin_image.h"
#include "skin/colour_select.h"
#include "skin/slider.h"
#include "skin/static_trans.h"

namespace panel {

namespace {

using layout::Look;
using layout::Role;

// Events of one atomic replace of the settings file, or of a window appearing on the bus, arrive
// in a burst; one look after it settles is enough.
constexpr int kSettleMs = 120;

// Items of a profile button's program menu.
constexpr int kProgramSet = 1;
constexpr int kProgramClear = 2;

// Remote commands of message 1034 (lParam).
constexpr int64_t kRemoteResetProfile = 11;
constexpr int64_t kRemoteApply = 12;
constexpr int64_t kRemoteHelp = 22;


// Colours of the state strip (COLORREF, red in the low byte): a calm green when all is there,
// amber when the mouse or the service is missing.
constexpr uint32_t kConnectedColour = 0x8CD97C;
constexpr uint32_t kMissingColour = 0x40B0FF;
constexpr uint32_t kHeadingColour = 0xD2D2D2;
// Between the title strip and the start page's tiles.
const QRect kHintArea(32, 68, 896, 48);
// The start page's content below the title strip, which the blank page covers.
const QRect kBlankArea(1, 57, 958, 507);

QString qs(const std::string& text) { return QString::fromStdString(text); }

// Headings of a page's groups, by group index ("" for a group without one).
std::vector<const char*> groupHeadings(int page) {
    switch (page) {
        case layout::kMacroPage:
            return {"HEADMACRO", "HEADRECORD", "HEADDELAY", "HEADLOOP", "HEADEDIT", "HEADFILE"};
        case layout::kLightingPage: return {"HEADEFFECT", "HEADBRIGHTNESS", "HEADSPEED", "", "HEADPOWER"};
        case layout::kDpiPage:
            return {"", "HEADRESOLUTION", "HEADACCELERATION", "HEADRATE", "HEADDOUBLECLICK", "HEADWHEEL", "HEADANGLE",
                    "HEADLIFT"};
        default: return {};
    }
}

// The sliders of the pages: identifier and range.
struct SliderSetup {
    Role role;
    int identifier, minimum, maximum;
};
constexpr SliderSetup kSliders[] = {
    {Role::DpiSliderCommon, kSliderCommon, 0, kDpiMaximum},
    {Role::DpiSliderX, kSliderX, 0, kDpiMaximum},
    {Role::DpiSliderY, kSliderY, 0, kDpiMaximum},
    {Role::LightRate, kSliderRate, 1, 10},
    {Role::LightLevel, kSliderLevel, 1, 4},
    {Role::AccelerationSlider, kSliderAcceleration, 1, 13},  // the pointer acceleration levels
};

// Accessible names of the frame's picture-only buttons.
const char* accessibleKey(Role role) {
    switch (role) {
        case Role::Close: return "CLOSE";
        case Role::Minimize: return "MINIMIZE";
        case Role::Help: return "HELP";
        default: return nullptr;
    }
}

bool isStartTile(Role role) {
    return role == Role::TabButtons || role == Role::TabMacro || role == Role::TabLighting || role == Role::TabDpi;
}

// Pictures of one window: normal, hover, pressed, disabled. A window without a pressed or disabled
// picture uses its hover and normal pictures for those states.
struct StatePictures {
    skin::SkinImage normal, over, down, disabled;
};

StatePictures loadPictures(const std::string& programFolder, const skin::SkinDescription& description) {
    auto load = [&](const std::string& name) {
        return skin::SkinImage::load(qs(skin::skinImagePath(programFolder, name)));
    };
    StatePictures p;
    p.normal = load(description.main);
    p.over = load(description.over);
    p.down = description.down.empty() ? p.over : load(description.down);
    p.disabled = description.disabled.empty() ? p.normal : load(description.disabled);
    return p;
}

}  // namespace

CMocfgDlg::CMocfgDlg(PanelModel& model, ServiceMessenger& service, QWidget* parent)
    : skin::SkinnedWindow(parent),
      model_(model),
      service_(service),
      strings_(model.paths().stringsPath),
      dpi_(model),
      lighting_(model) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
    setAttribute(Qt::WA_OpaquePaintEvent);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] { updateState(); });
    desktopPointer_ = platform::inWaylandSession();
}

CMocfgDlg::~CMocfgDlg() = default;

QString CMocfgDlg::text(const char* key, const char* section) const {
    return qs(strings_.lookup(section, key));
}

void CMocfgDlg::initialise() {
    skin::setFontFace(text("FONT"));

    // Window pictures and controls: the frame (with the start page's tiles), then each page.
    const layout::Window& frame = layout::mainFrame();
    resize(frame.width, frame.height);
    setFixedSize(frame.width, frame.height);
    createControls(frame, 0);

    pageTitle_ = new skin::CStaticTrans(this);
    pageTitle_->setTextColor(0x00CCEF);
    pageTitle_->setFontHeight(20);
    pageTitle_->setFontWeight(600);
    stateLabel_ = new skin::CStaticTrans(this);
    stateLabel_->setTextColor(0xFFFFFF);
    stateLabel_->setFontHeight(13);
    stateLabel_->setAlignment(Qt::AlignCenter);
    if (const layout::Control* state = layout::find(frame, Role::StateText)) {
        const layout::Rect& r = state->rect;
        stateLabel_->setGeometry(r.left + 8, r.top, r.width() - 16, r.height());
    }
    // What to do when the mouse or the service is missing, in the start page's band above the tiles.
    stateHint_ = new skin::CStaticTrans(this);
    stateHint_->setTextColor(kMissingColour);
    stateHint_->setFontHeight(14);
    stateHint_->setAlignment(Qt::AlignCenter);
    stateHint_->setWordWrap(true);
    stateHint_->setGeometry(kHintArea);
    stateHint_->hide();

    model_.load();
    setWindowTitle(QString::fromLatin1(title::kPanel));
    setAccessibleName(QString::fromLatin1(title::kPanel));
    page_ = 0;
    showPage(layout::kStartPage);
    refresh();
    watchStateSources();
    updateState();
}

void CMocfgDlg::createControls(const layout::Window& window, int page) {
    const std::string& folder = model_.paths().programFolder;
    const skin::SkinDescription description = skin::loadSkinDescription(folder, window.skinFile);
    StatePictures pictures = loadPictures(folder, description);
    if (page == 0) {
        art_[layout::kStartPage].background = pictures.normal.image();
        art_[layout::kBlankPage].background = pictures.normal.image();
    } else {
        art_[page].background = pictures.normal.image();
    }

    for (const layout::Control& c : window.controls) {
        const int shownOn = page == 0 && isStartTile(c.role) ? layout::kStartPage : page;
        QWidget* widget = nullptr;
        switch (c.look) {
            case Look::Plain:
                widget = createSelfDrawn(c);
                break;
            case Look::Panel: {
                if (c.role == Role::StateText) break;  // the state strip has its own label
                if (macroPage_ != nullptr && c.role == Role::MacroCommand) {
                    widget = macroPage_->createControl(c);
                    break;
                }
                auto* label = new skin::CStaticTrans(this);
                label->setTextColor(0xFFFFFF);
                label->setFontHeight(14);
                label->setAlignment(Qt::AlignCenter);
                label->setText(qs(description.caption(c.id)));
                widget = label;
                break;
            }
            default: {
                auto* b = new skin::CBitmapBtn(this);
                b->setImages(c.rect.left, c.rect.top, c.rect.width(), c.rect.height(), pictures.normal,
                             pictures.over, pictures.down, pictures.disabled);
                const QString caption = qs(description.caption(c.id));
                b->setCaption(caption);
                if (c.look == Look::Tile) b->setFontHeight(18);
                const bool toggles = c.role == Role::Profile || c.role == Role::DpiStage ||
                                     c.role == Role::ReportRate || c.role == Role::AngleOn ||
                                     c.role == Role::AngleOff || c.role == Role::LiftHigh ||
                                     c.role == Role::LiftLow || c.role == Role::LightOn ||
                                     c.role == Role::LightOff || c.role == Role::DpiSeparate ||
                                     c.role == Role::AccelerationSwitch || c.role == Role::LightRateSwitch;
                b->setToggleMode(toggles);
                if (c.role == Role::Profile) {
                    // Right click or the menu key: the program of the profile.
                    b->setContextMenuPolicy(Qt::CustomContextMenu);
                    const int profile = c.index;
                    connect(b, &QWidget::customContextMenuRequested, this, [this, profile] { openProgramMenu(profile); });
                }
                const layout::Control* place = &c;
                connect(b, &QAbstractButton::clicked, this, [this, place] { onCommand(*place); });
                if (const char* key = accessibleKey(c.role)) b->setAccessibleName(text(key));
                widget = b;
                break;
            }
        }
        if (widget == nullptr) continue;
        if (c.look != Look::Plain)  // self-drawn controls place themselves
            widget->setGeometry(c.rect.left, c.rect.top, c.rect.width(), c.rect.height());
        widget->hide();
        controls_.push_back(Placed{&c, shownOn, widget});
    }

    const std::vector<const char*> headings = groupHeadings(page);
    for (size_t g = 0; g < window.groups.size() && g < headings.size(); ++g) {
        if (*headings[g] == 0) continue;
        const layout::Rect& r = window.groups[g];
        auto* heading = new skin::CStaticTrans(this);
        heading->setTextColor(kHeadingColour);
        heading->setFontHeight(13);
        heading->setFontWeight(600);
        heading->setText(text(headings[g]));
        heading->setGeometry(r.left + 16, r.top + 8, r.width() - 32, 24);
        heading->hide();
        headings_.push_back(Placed{nullptr, page, heading});
        // In a Wayland session the acceleration level is kept but the desktop's settings apply:
        // said on the group's heading line, right-aligned.
        if (page == layout::kDpiPage && std::string_view(headings[g]) == "HEADACCELERATION") {
            accelerationNote_ = new skin::CStaticTrans(this);
            accelerationNote_->setTextColor(kMissingColour);
            accelerationNote_->setFontHeight(12);
            accelerationNote_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            accelerationNote_->setText(text("ACCELDESKTOP"));
            accelerationNote_->setGeometry(heading->geometry());
            accelerationNote_->hide();
        }
    }
}

void CMocfgDlg::setDesktopPointerSettings(bool desktop) {
    desktopPointer_ = desktop;
    const QString tip = desktop ? text("ACCELDESKTOPHINT") : QString();
    for (Role role : {Role::AccelerationSwitch, Role::AccelerationSlider})
        if (QWidget* w = control(role)) w->setToolTip(tip);
    if (accelerationNote_ != nullptr) {
        accelerationNote_->setToolTip(tip);
        accelerationNote_->setVisible(desktop && page_ == layout::kDpiPage);
    }
}

void CMocfgDlg::createPages() {
    if (pagesCreated_) return;
    pagesCreated_ = true;
    MacroPageHost host;
    host.warn = [this](const QString& message) { warn(message); };
    host.confirm = [this](const QString& question) { return confirm(question); };
    host.macroListChanged = [this] {
        model_.macroListChanged();
        refresh();
    };
    host.enableHooks = [this](bool on) {
        if (enableHooks_) enableHooks_(on);
    };
    host.button = [this](Role role, int index) { return button(role, index); };
    macroPage_ = new MacroPage(*this, model_.paths(), strings_, service_, std::move(host));
    macroPage_->setWindowCapture(windowCapture_);
    for (int page : {layout::kButtonPage, layout::kMacroPage, layout::kLightingPage, layout::kDpiPage})
        createControls(layout::pageWindow(page), page);
    // The macro page's own lines (counts, note, unit) come and go with the page.
    for (QWidget* label : macroPage_->labels()) headings_.push_back(Placed{nullptr, layout::kMacroPage, label});
    // The new controls take the current page's visibility and the settings.
    setDesktopPointerSettings(desktopPointer_);
    const int page = page_;
    page_ = 0;
    showPage(page);
    refresh();
}

QWidget* CMocfgDlg::createSelfDrawn(const layout::Control& c) {
    const std::string& folder = model_.paths().programFolder;
    const QRect rect(c.rect.left, c.rect.top, c.rect.width(), c.rect.height());
    if (c.role == Role::ColorSelector) {
        auto* selector = new skin::COwnColorSelect(folder, this);
        selector->create(QRect(rect.topLeft(), skin::COwnColorSelect::contentSize()));
        return selector;
    }
    for (const SliderSetup& setup : kSliders) {
        if (setup.role != c.role) continue;
        auto* slider = new skin::CPngHSliderBar(this);
        auto picture = [&](const char* name) { return qs(skin::skinImagePath(folder, name)); };
        slider->create(picture("bar3.png"), picture("arrow1.png"), picture("arrow2.png"), rect, this, setup.identifier,
                       picture("bar4.png"));
        slider->setRange(setup.minimum, setup.maximum);
        if (c.role == Role::LightLevel) {
            levelValue_ = new skin::CStaticTrans(this);
            levelValue_->setTextColor(0xFFFFFF);
            levelValue_->setFontHeight(14);
            levelValue_->setAlignment(Qt::AlignCenter);
            levelValue_->setGeometry(rect.right() + 8, rect.top(), 456 - rect.right() - 8, rect.height());
            levelValue_->hide();
            headings_.push_back(Placed{&c, layout::kLightingPage, levelValue_});
        }
        return slider;
    }
    if (c.role == Role::MacroList && macroPage_ != nullptr) {
        return macroPage_->createControl(c);
    }
    return nullptr;
}

QWidget* CMocfgDlg::control(Role role, int index) const {
    for (const Placed& p : controls_) {
        if (p.place->role != role || p.place->index != index) continue;
        if (p.page == 0 || p.page == page_) return p.widget;
    }
    for (const Placed& p : controls_)
        if (p.place->role == role && p.place->index == index) return p.widget;
    return nullptr;
}

skin::CBitmapBtn* CMocfgDlg::button(Role role, int index) const {
    return qobject_cast<skin::CBitmapBtn*>(control(role, index));
}

void CMocfgDlg::showPage(int page) {
    if (page == page_) return;
    if (page != layout::kStartPage && page != layout::kBlankPage) createPages();
    // The control that had the focus may be hidden now; the window takes it, rather than Qt handing
    // it (and a keyboard focus ring) to whichever control comes next.
    if (QWidget* focused = focusWidget(); focused != nullptr && focused != this) setFocus(Qt::OtherFocusReason);
    page_ = page;
    for (const Placed& p : controls_) {
        bool visible = p.page == 0 || p.page == page;
        // The blank page shows only one way back to the start page.
        if (page == layout::kBlankPage) visible = p.page == 0 && p.place->role != Role::StateText;
        p.widget->setVisible(visible);
        p.widget->setEnabled(true);
    }
    for (const Placed& h : headings_) h.widget->setVisible(h.page == page);
    if (accelerationNote_ != nullptr) accelerationNote_->setVisible(desktopPointer_ && page == layout::kDpiPage);
    if (page == layout::kBlankPage) {
        for (const Placed& p : controls_) {
            if (p.place->role == Role::TabHome) {
                p.widget->setVisible(true);
                break;
            }
        }
    }
    // The macro page works on its own files: profile files and resets wait until it is left.
    if (page == layout::kMacroPage) {
        for (Role r : {Role::Import, Role::Export, Role::Reset})
            if (QWidget* w = control(r)) w->setEnabled(false);
    }
    const char* titleKey = nullptr;
    switch (page) {
        case layout::kButtonPage: titleKey = "PAGEBUTTONS"; break;
        case layout::kMacroPage: titleKey = "PAGEMACRO"; break;
        case layout::kLightingPage: titleKey = "PAGELIGHTING"; break;
        case layout::kDpiPage: titleKey = "PAGEDPI"; break;
        default: break;
    }
    if (pageTitle_ != nullptr) {
        pageTitle_->setText(titleKey != nullptr ? text(titleKey) : QString());
        const layout::Rect r = layout::pageTitleArea(page);
        pageTitle_->setGeometry(r.left, r.top, r.width(), r.height());
        pageTitle_->setVisible(titleKey != nullptr);
    }
    if (stateHint_ != nullptr) stateHint_->setVisible(!stateHint_->text().isEmpty() && page == layout::kStartPage);
    if (page == layout::kDpiPage) refreshDpiPage();  // one DPI slider or two
    if (page == layout::kMacroPage && macroPage_ != nullptr) {
        if (notice_) macroPage_->serviceNotice();
        else macroPage_->shown();
    }
    update();
}

void CMocfgDlg::setHooks(std::function<void(bool)> enable, bool windowCapture) {
    enableHooks_ = std::move(enable);
    windowCapture_ = windowCapture;
    if (macroPage_ != nullptr) macroPage_->setWindowCapture(windowCapture);
}

void CMocfgDlg::refresh() {
    for (int p = 0; p < kProfileCount; ++p)
        if (skin::CBitmapBtn* b = button(Role::Profile, p)) b->setChecked(p == model_.currentProfile());
    refreshDpiPage();
    refreshLightingPage();
    refreshButtonLabels();
    refreshProgramTips();
}

void CMocfgDlg::refreshProgramTips() {
    for (int p = 0; p < kProfileCount; ++p) {
        skin::CBitmapBtn* b = button(Role::Profile, p);
        if (b == nullptr) continue;
        const QString program = qs(model_.programRule(p));
        b->setToolTip(program.isEmpty() ? QString() : text("PROGRAMTIP").arg(p + 1).arg(program));
    }
}

void CMocfgDlg::openProgramMenu(int profile) {
    closePopup();
    skin::CBitmapBtn* anchor = button(Role::Profile, profile);
    if (anchor == nullptr || !anchor->isVisible()) return;
    programMenuProfile_ = profile;
    std::vector<skin::MenuItem> items{{text("PROGRAMSET"), kProgramSet, false, {}}};
    const QString program = qs(model_.programRule(profile));
    if (!program.isEmpty())
        items.push_back({text("PROGRAMCLEAR").arg(program.mid(program.lastIndexOf('/') + 1)), kProgramClear, false, {}});
    showPopup(anchor->mapToGlobal(QPoint(1, anchor->height())), items, "wide_menu_normal.png", "wide_menu_over.png",
              "wide_menu_down.png");
}

void CMocfgDlg::chooseProgram(int profile, int action) {
    if (action == kProgramClear) {
        if (!model_.setProgramRule(profile, {})) warn(text("NOSAVE"));
    } else if (action == kProgramSet) {
        const dialogs::DialogContext context{model_.paths().programFolder, model_.paths().stringsPath};
        dialogs::CProgramDlg dialog(context, profile, qs(model_.programRule(profile)), !platform::waylandSession(), this);
        if (dialogs::prompts().exec(dialog) != dialogs::kDialogOk || closingDown_) return;
        if (!model_.setProgramRule(profile, dialog.program().toStdString()))
            warn(text("NOPROGRAM").arg(dialog.program()));
    }
    refreshProgramTips();
}

void CMocfgDlg::refreshButtonLabels() {
    ProfileGroup& group = model_.working().profiles[model_.currentProfile()];
    const std::vector<std::string> macros = macro::listNames(model_.paths().settingsPath);
    const TextLookup lookup = [this](std::string_view key) { return strings_.lookup("BUTTONPAGE", std::string(key)); };
    for (int i = 0; i < kDeviceButtonCount; ++i) {
        skin::CBitmapBtn* b = button(Role::ButtonLabel, i);
        if (b == nullptr) continue;
        const QString label = qs(buttonLabel(group.buttons[i], macros, lookup));
        b->setCaption(label);
        b->setAccessibleName(text("BUTTON") + QStringLiteral(" %1: %2").arg(i + 1).arg(label));
    }
}

void CMocfgDlg::refreshDpiPage() {
    dpi_.forgetSliders();  // the sliders are set from the settings below
    const MouseSettings& s = model_.working();
    const int current = model_.currentStage();
    const std::string stageWord = strings_.lookup("BUTTONPAGE", "DPISTAGE");
    for (int stage = 0; stage < kDpiStageCount; ++stage) {
        skin::CBitmapBtn* b = button(Role::DpiStage, stage);
        if (b == nullptr) continue;
        b->setCaption(qs(stageCaption(stageWord, stage, s.dpiStages[stage])));
        b->setChecked(stage == current);
    }
    static constexpr int kIntervals[4] = {8, 4, 2, 1};
    for (int i = 0; i < 4; ++i)
        if (skin::CBitmapBtn* b = button(Role::ReportRate, i)) b->setChecked(s.PollingRate == kIntervals[i]);
    if (skin::CBitmapBtn* b = button(Role::AngleOn)) b->setChecked(s.AngleV == 128);
    if (skin::CBitmapBtn* b = button(Role::AngleOff)) b->setChecked(s.AngleV != 128);
    if (skin::CBitmapBtn* b = button(Role::LiftHigh)) b->setChecked(s.LiftV == 1);
    if (skin::CBitmapBtn* b = button(Role::LiftLow)) b->setChecked(s.LiftV != 1);
    if (skin::CBitmapBtn* b = button(Role::AccelerationSwitch)) b->setChecked(s.AccelerationEnabled == 1);
    if (auto* v = qobject_cast<skin::CStaticTrans*>(control(Role::DoubleClickValue)))
        v->setText(QString::number(s.DoubleClickSpeed));
    if (auto* v = qobject_cast<skin::CStaticTrans*>(control(Role::WheelValue)))
        v->setText(QString::number(s.WheelScrollLines));
    // One slider for both axes, or one for each when the stage sets them separately.
    const bool separate = current >= 0 && s.dpiStages[current].separate != 0;
    if (skin::CBitmapBtn* b = button(Role::DpiSeparate)) b->setChecked(separate);
    const bool onPage = page_ == layout::kDpiPage;
    if (QWidget* w = control(Role::DpiSliderCommon)) w->setVisible(onPage && !separate);
    if (QWidget* w = control(Role::DpiSliderX)) w->setVisible(onPage && separate);
    if (QWidget* w = control(Role::DpiSliderY)) w->setVisible(onPage && separate);
    if (current >= 0) {
        const DpiStage& d = s.dpiStages[current];
        if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::DpiSliderCommon))) w->setValue(d.common);
        if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::DpiSliderX))) w->setValue(d.x);
        if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::DpiSliderY))) w->setValue(d.y);
    }
    if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::AccelerationSlider))) w->setValue(s.Acceleration);
}

void CMocfgDlg::refreshLightingPage() {
    const MouseSettings& s = model_.working();
    const int mode = model_.lightingMode();
    if (skin::CBitmapBtn* b = button(Role::LightMode))
        b->setCaption(text(("LEDMODE" + std::to_string(mode)).c_str(), "BUTTONPAGE"));
    if (skin::CBitmapBtn* b = button(Role::LightOn)) b->setChecked(s.LedStateOn == 1);
    if (skin::CBitmapBtn* b = button(Role::LightOff)) b->setChecked(s.LedStateOn != 1);
    const LedModeInfo& info = s.ledModes[mode - 1];
    if (skin::CBitmapBtn* b = button(Role::LightDirection)) {
        const bool directed = mode == 2 || mode == 5;
        b->setEnabled(directed);
        b->setCaption(directed && info.direction >= 1 && info.direction <= 4
                          ? text(("LEDMODEDIR" + std::to_string(info.direction)).c_str(), "BUTTONPAGE")
                          : QString());
    }
    if (skin::CBitmapBtn* b = button(Role::LightRateSwitch)) b->setChecked(info.rate != 0);
    if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::LightLevel))) w->setValue(info.level);
    if (levelValue_ != nullptr) levelValue_->setText(QString::number(levelShown(info.level)));
    if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::LightRate))) {
        w->setValue(info.rate);
        w->setEnabled(info.rate != 0);
    }
    if (auto* w = qobject_cast<skin::COwnColorSelect*>(control(Role::ColorSelector))) w->setColor(static_cast<uint32_t>(s.LedColor) & 0xFFFFFF);
}

void CMocfgDlg::onCommand(const layout::Control& c) {
    switch (c.role) {
        case Role::Close: close(); return;
        case Role::Minimize: showMinimized(); return;
        case Role::Help: openHelp(); return;
        case Role::WebLink: QDesktopServices::openUrl(QUrl(text("WEBSITE"))); return;
        case Role::TabButtons: showPage(layout::kButtonPage); return;
        case Role::TabMacro: showPage(layout::kMacroPage); return;
        case Role::TabLighting: showPage(layout::kLightingPage); return;
        case Role::TabDpi:
            showPage(layout::kDpiPage);
            refresh();
            return;
        case Role::TabHome: showPage(layout::kStartPage); return;
        case Role::MacroName:
        case Role::MacroCommand:
            if (macroPage_ != nullptr) macroPage_->command(c.role, c.index);
            return;
        case Role::Profile:
            if (model_.selectProfile(c.index)) {
                saveOrSay();
                refresh();
            }
            else if (skin::CBitmapBtn* b = button(Role::Profile, c.index)) b->setChecked(true);  // stays current
            return;
        case Role::Reset:
            if (!confirm(text("WARN1", "BUTTONPAGE"))) return;
            model_.resetAll();
            saveOrSay();
            refresh();
            return;
        case Role::Apply:
            model_.apply();
            saveOrSay();
            return;
        case Role::ButtonLabel: openFunctionMenu(c.index); return;
        case Role::Export: exportProfile(); return;
        case Role::Import: importProfile(); return;
        case Role::Reload:
            model_.reload();
            refresh();
            return;
        // DPI page
        case Role::DpiStage: dpi_.selectStage(c.index); break;
        case Role::DpiSeparate: {
            const int stage = model_.currentStage();
            dpi_.setSeparate(stage >= 0 && model_.working().dpiStages[stage].separate == 0);
            break;
        }
        case Role::AccelerationSwitch: dpi_.toggleAcceleration(); break;
        case Role::ReportRate: dpi_.setReportRate(c.index); break;
        case Role::DoubleClickUp: dpi_.stepDoubleClick(true); break;
        case Role::DoubleClickDown: dpi_.stepDoubleClick(false); break;
        case Role::WheelUp: dpi_.stepWheel(true); break;
        case Role::WheelDown: dpi_.stepWheel(false); break;
        case Role::AngleOn: dpi_.setAngle(true); break;
        case Role::AngleOff: dpi_.setAngle(false); break;
        case Role::LiftHigh: dpi_.setLift(true); break;
        case Role::LiftLow: dpi_.setLift(false); break;
        // Lighting page
        case Role::LightOn: lighting_.setOn(true); break;
        case Role::LightOff: lighting_.setOn(false); break;
        case Role::LightRateSwitch: lighting_.toggleRate(); break;
        case Role::LightMode:
            openMenu(button(Role::LightMode), modeMenu(), "1menu_normal.png", "1menu_over.png", "1menu_down.png");
            return;
        case Role::LightDirection:
            openMenu(button(Role::LightDirection), directionMenu(model_.lightingMode()), "1menu_normal.png",
                     "1menu_over.png", "1menu_down.png");
            return;
        default:
            break;
    }
    saveOrSay();
    refresh();
}

QString CMocfgDlg::chooseProfileFile(bool forSaving) {
    const dialogs::FileQuery query{text(forSaving ? "EXPORTTITLE" : "IMPORTTITLE"),
                                   qs(platform::parentFolder(model_.paths().settingsPath)), text("PROFILEFILTER"),
                                   QStringLiteral("prof"), {}};
    const QString file = forSaving ? dialogs::prompts().saveFile(this, query) : dialogs::prompts().openFile(this, query);
    return closingDown_ ? QString() : file;
}

void CMocfgDlg::exportProfile() {
    const QString file = chooseProfileFile(true);
    if (file.isEmpty()) return;
    if (!model_.exportProfile(file.toStdString())) {
        warn(text("NOEXPORT").arg(file));
    }
}

void CMocfgDlg::importProfile() {
    const QString file = chooseProfileFile(false);
    if (file.isEmpty()) return;
    std::string problem;
    if (!model_.importProfile(file.toStdString(), &problem)) {
        // A file that could be read says what is wrong with it.
        warn(problem.empty() ? text("NOIMPORT").arg(file)
                             : text("NOIMPORTVALUES").arg(file, QString::fromStdString(problem)));
        return;
    }
    saveOrSay();
    refresh();
}

void CMocfgDlg::saveOrSay() {
    // A change that could not be written is never passed off as done.
    if (model_.lastSaveFailed()) warn(text("NOSAVE"));
}

void CMocfgDlg::warn(const QString& message) {
    dialogs::prompts().tell(this, QMessageBox::Warning, text("WARNING"), message);
}

void CMocfgDlg::showWriteFailure(int64_t reason) {
    // Not modal: it comes from the service at any moment, and the user may go on editing. A
    // further failure while it shows only updates its text.
    const QString message = text(reason == msg::kWriteNoAnswer ? "WRITENOANSWER" : "WRITEFAILED");
    if (writeNotice_ == nullptr) {
        QMessageBox* box = dialogs::makeMessageBox(QMessageBox::Warning, text("WARNING"), message, QMessageBox::NoButton, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        QPushButton* retry = box->addButton(text("RETRY"), QMessageBox::AcceptRole);
        retry->setObjectName(QStringLiteral("retryWrite"));
        box->addButton(text("CLOSE"), QMessageBox::RejectRole);
        box->setDefaultButton(retry);
        connect(retry, &QPushButton::clicked, this, [this] {
            model_.apply();
            saveOrSay();
        });
        writeNotice_ = box;
    }
    writeNotice_->setText(message);
    writeNotice_->show();
    writeNotice_->raise();
}

void CMocfgDlg::closePopup() {
    if (popup_ != nullptr) popup_->close();
    popup_ = nullptr;
    selectedButton_ = -1;
    programMenuProfile_ = -1;
}

void CMocfgDlg::openFunctionMenu(int buttonIndex) {
    closePopup();
    skin::CBitmapBtn* label = button(Role::ButtonLabel, buttonIndex);
    if (label == nullptr) return;
    selectedButton_ = buttonIndex;
    // The button belongs to the profile shown when its menu opened, whatever the mouse reports
    // while the menu or a dialog is open.
    menuProfile_ = model_.currentProfile();
    std::vector<skin::MenuItem> items;
    for (const FunctionMenuItem& item : buildFunctionMenu(model_.currentProfile())) {
        skin::MenuItem m{text(item.key.c_str(), "BUTTONPAGE"), item.number, !item.submenu.empty() || item.number == 15, {}};
        for (const FunctionMenuEntry& e : item.submenu)
            m.submenu.push_back({text(e.key.c_str(), "BUTTONPAGE"), e.number});
        items.push_back(std::move(m));
    }
    const QPoint labelCorner = label->mapToGlobal(QPoint(0, label->height()));
    const skin::ScreenArea area = skin::popupArea(this, labelCorner);
    const MenuCorner corner = functionMenuCorner(labelCorner.x(), labelCorner.y(), area.right, area.bottom);
    showPopup(QPoint(corner.x, corner.y), items, "menu_normal.png", "menu_over.png", "menu_down.png");
}

void CMocfgDlg::showPopup(QPoint corner, const std::vector<skin::MenuItem>& items, const char* normal,
                          const char* over, const char* down) {
    const skin::MenuPictures pictures{model_.paths().programFolder, normal, over, down};
    popup_ = skin::CBmpMenu::open(this, corner, items, pictures);  // the pointer clears when it closes
}

void CMocfgDlg::openMenu(QWidget* anchor, const std::vector<FunctionMenuEntry>& entries, const char* normal,
                         const char* over, const char* down) {
    closePopup();
    if (anchor == nullptr || entries.empty()) return;
    std::vector<skin::MenuItem> items;
    for (const FunctionMenuEntry& e : entries) items.push_back({text(e.key.c_str(), "BUTTONPAGE"), e.number, false, {}});
    showPopup(anchor->mapToGlobal(QPoint(1, anchor->height())), items, normal, over, down);
}

void CMocfgDlg::onSlider(uint32_t message, int64_t position, int64_t id) {
    const bool released = message == skin::kSliderReleased;
    const int value = static_cast<int>(position);
    switch (id) {
        case kSliderCommon:
        case kSliderX:
        case kSliderY:
            if (released ? dpi_.sliderReleased(value, static_cast<int>(id)) : dpi_.sliderDragged(value, static_cast<int>(id)))
                refreshDpiPage();
            break;
        case kSliderAcceleration:
            if (released) dpi_.setAcceleration(value);
            break;
        case kSliderLevel:
            if (released) lighting_.levelReleased(value);
            else lighting_.levelDragged(value);
            refreshLightingPage();
            break;
        case kSliderRate:
            if (released) lighting_.rateReleased(value);
            else lighting_.rateDragged(value);
            break;
        case kSliderRate + skin::kSliderFinalOffset:
            lighting_.rateDragged(value);  // the second release only stores
            break;
        default:
            return;
    }
    if (released) saveOrSay();
}

void CMocfgDlg::assignFunction(int64_t lParam) {
    const int b = selectedButton_;
    selectedButton_ = -1;
    if (b < 0 || b >= kButtonRecordCount) return;
    const int group = static_cast<int>((lParam >> 16) & 0xFFFF);
    const int item = static_cast<int>(lParam & 0xFFFF);
    const int profile = menuProfile_;
    const ButtonRecord* records = model_.working().profiles[profile].buttons;
    switch (leftClickGuard(records, kButtonRecordCount, b, group)) {
        case GuardDecision::Ignore: return;
        case GuardDecision::Warn: warn(text("WARN3", "BUTTONPAGE")); return;
        case GuardDecision::Proceed: break;
    }
    const MenuDecision decision = decideMenuSelection(group, item);
    if (decision.action == MenuAction::Nothing) return;
    const macro::MacroLibrary library(model_.paths().settingsPath, model_.paths().macroFolder);
    if (decision.action == MenuAction::SelectMacro && library.names().empty()) {
        showPage(layout::kMacroPage);  // with no macro yet, the macro page is where one is made
        return;
    }
    const dialogs::DialogContext context{model_.paths().programFolder, model_.paths().stringsPath};
    const std::optional<assignment::Value> value =
        dialogs::askFunctionValue(decision.action, context, records[b], library, this);
    if (closingDown_) return;  // the service closed the window while a dialog was open
    // A cancelled dialog stores nothing; the file is saved and the service told all the same.
    if (!value || !model_.assignFunction(profile, b, decision.code, *value)) model_.saveAndSend(msg::kButton, profile, b);
    refreshButtonLabels();
    saveOrSay();
}

bool CMocfgDlg::confirm(const QString& question) {
    const bool ok = dialogs::prompts().confirm(this, text("WARNING"), question);
    return !closingDown_ && ok;
}

void CMocfgDlg::openHelp() {
    const std::string page = platform::pathJoin(model_.paths().programFolder, "help/index.html");
    if (!platform::isReadableRegularFile(page) || !QDesktopServices::openUrl(QUrl::fromLocalFile(qs(page)))) {
        platform::debugPrintf("cfgpanel: cannot open the help %s", page.c_str());
        dialogs::prompts().tell(this, QMessageBox::Information, text("WARNING"), text("NOHELP"));
    }
}

int64_t CMocfgDlg::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    if (closingDown_) return 0;
    if (macroPage_ != nullptr && macroPage_->onMessage(message, wParam, lParam)) return 0;
    switch (message) {
        case msg::kMouseChanged:
            model_.onMouseChanged(wParam, lParam);
            {
                // Everything is shown anew; the macro page keeps a recording going.
                const int page = page_;
                page_ = 0;
                notice_ = true;
                showPage(page);
                notice_ = false;
            }
            refresh();
            updateState();
            return 0;
        case msg::kRemoteCommand:
            switch (lParam) {
                case kRemoteResetProfile:
                    model_.resetCurrentProfile();
                    update();
                    refresh();
                    return 0;
                case kRemoteApply: model_.apply(); return 0;
                case kRemoteHelp: openHelp(); return 0;
                case 18:
                case 20: return 0;
                default: return -1;
            }
        case msg::kReloadDpiStages:
            model_.reloadDpiStages();
            refresh();
            return 0;
        case msg::kBlankPage: showPage(layout::kBlankPage); return 0;
        case skin::kMenuChosen:
            popup_ = nullptr;
            if (programMenuProfile_ >= 0) {
                const int profile = programMenuProfile_;
                programMenuProfile_ = -1;
                chooseProgram(profile, static_cast<int>((lParam >> 16) & 0xFFFF));
            } else if (page_ == layout::kButtonPage) {
                assignFunction(lParam);
            } else if (page_ == layout::kMacroPage && macroPage_ != nullptr) {
                macroPage_->menuChosen(static_cast<int>((lParam >> 16) & 0xFFFF));
            } else if (page_ == layout::kLightingPage) {
                if (lighting_.chooseItem(static_cast<int>((lParam >> 16) & 0xFFFF))) saveOrSay();
                refreshLightingPage();
            }
            return 0;
        case skin::kSliderReleased:
        case skin::kSliderDragged:
            onSlider(message, wParam, lParam);
            return 0;
        case skin::kColourChanged:
            lighting_.setColour(static_cast<uint32_t>(wParam));
            saveOrSay();
            return 0;
        case msg::kMouseUnplug:
            dpi_.mouseUnplugged();
            updateState();
            return 0;
        case msg::kCounters:
            model_.takeCounters();
            return 0;
        case msg::kWriteFailed:
            showWriteFailure(lParam);
            return 0;
        case msg::kShortcutState:
            shortcutReach_ = static_cast<int>(wParam);
            updateState();
            return 0;
        case msg::kClose:
        case msg::kQuit:
            closeFromService();
            return 0;
        default: return 0;
    }
}

void CMocfgDlg::closeFromService() {
    // The service is going away: any message box or dialog opened from the window ends first
    // (its caller sees closingDown_ and does nothing), then the window closes.
    closingDown_ = true;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == this) break;
        modal->close();
        if (QApplication::activeModalWidget() == modal) modal->hide();
    }
    QWidget::close();
}

void CMocfgDlg::watchStateSources() {
    watcher_ = new QFileSystemWatcher(this);
    dataFolder_ = platform::parentFolder(model_.paths().settingsPath);
    busFolder_ = platform::runtimeFolder();
    for (const std::string& folder : {dataFolder_, busFolder_})
        if (!folder.empty() && platform::folderExists(folder)) watcher_->addPath(qs(folder));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
}

void CMocfgDlg::updateState() {
    // "Device" is the service's word; without the service it may be stale, so it counts only then.
    const bool running = service_.serviceRunning();
    const bool connected = running && model_.deviceConnected();
    stateText_ = !running ? text("NOSERVICE") : !connected ? text("NODEVICE") : QString();
    QString hint = !running ? text("NOSERVICEHINT") : !connected ? text("NODEVICEHINT") : QString();
    // The service says how far its shortcuts reach when asked; a service that went away (or is
    // new) has to say it again.
    if (!running) {
        shortcutReach_ = -1;
    } else if (shortcutReach_ < 0) {
        service_.post(msg::kShortcutQuery);
    }
    shortcutText_ = !running ? QString()
                    : shortcutReach_ == msg::kShortcutsOff   ? text("SHORTCUTSOFF")
                    : shortcutReach_ == msg::kShortcutsXOnly ? text("SHORTCUTSXONLY")
                                                             : QString();
    if (!shortcutText_.isEmpty() && hint.isEmpty()) hint = text("SHORTCUTSHINT");
    if (stateHint_ != nullptr) {
        stateHint_->setText(hint);
        stateHint_->setVisible(!hint.isEmpty() && page_ == layout::kStartPage);
    }
    if (stateLabel_ == nullptr) return;
    stateLabel_->setToolTip(hint);
    QString label = stateText_.isEmpty() ? text("CONNECTED") : stateText_;
    if (!shortcutText_.isEmpty()) label += QString::fromUtf8(" \u00B7 ") + shortcutText_;
    stateLabel_->setText(label);
    stateLabel_->setTextColor(stateText_.isEmpty() && shortcutText_.isEmpty() ? kConnectedColour : kMissingColour);
    stateLabel_->setAccessibleName(stateLabel_->text());
    stateLabel_->setVisible(page_ != layout::kBlankPage);
}

QString CMocfgDlg::stateText() const { return stateText_; }

void CMocfgDlg::paintEvent(QPaintEvent*) {
    if (!painted_) {
        painted_ = true;
        platform::debugLine("cfgpanel: first window painted");
        // The other pages' pictures are decoded once the start page shows, not before.
        QTimer::singleShot(0, this, [this] { createPages(); });
    }
    QPainter painter(this);
    auto it = art_.find(page_);
    if (it != art_.end() && !it->second.background.isNull()) {
        const QImage& picture = it->second.background;
        painter.drawImage(QRect(0, 0, width(), height()), picture);
        // The blank page shows the frame only: the start page's tiles are covered with the ground
        // the picture has beside them.
        if (page_ == layout::kBlankPage) {
            const qreal ratio = picture.devicePixelRatio();
            const QColor ground = picture.pixelColor(QPoint(kBlankArea.left() + 2, kBlankArea.center().y()) * ratio);
            painter.fillRect(kBlankArea, ground);
        }
    } else {
        painter.fillRect(rect(), QColor(0x15, 0x16, 0x19));
    }
}

void CMocfgDlg::mousePressEvent(QMouseEvent* event) {
    closePopup();
    // The borderless window moves by its whole surface, through the window system (X11 and Wayland).
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) windowHandle()->startSystemMove();
    skin::SkinnedWindow::mousePressEvent(event);
}

void CMocfgDlg::closeEvent(QCloseEvent* event) {
    closingDown_ = true;
    emit closing();
    event->accept();
}

PanelBus::PanelBus(platform::Reactor& reactor, CMocfgDlg& dialog)
    : window_(reactor, [&dialog](uint32_t m, int64_t w, int64_t l) -> int64_t {
          return acceptedFromBus(m) ? dialog.onMessage(m, w, l) : 0;
      }) {}

bool PanelBus::create() { return window_.create(title::kPanel); }

void PanelBus::destroy() { window_.destroy(); }

}  // namespace panel
