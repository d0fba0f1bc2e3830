#include "skin/accessibility.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPointer>

#include <map>

#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/colour_select.h"
#include "skin/list_box_ex.h"
#include "skin/slider.h"
#include "skin/static_trans.h"

namespace skin {
namespace {

QString flat(QString text) { return text.replace('\n', ' ').simplified(); }

// ---- buttons, toggles and menu items

class ButtonAccessible : public QAccessibleWidget {
public:
    explicit ButtonAccessible(CBitmapBtn* b) : QAccessibleWidget(b, QAccessible::Button) {}
    CBitmapBtn* button() const { return static_cast<CBitmapBtn*>(widget()); }
    bool inMenu() const { return qobject_cast<CBmpMenuBase*>(button()->parentWidget()) != nullptr; }

    QAccessible::Role role() const override {
        if (inMenu()) return QAccessible::MenuItem;
        return button()->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
    }
    QString text(QAccessible::Text t) const override {
        const CBitmapBtn* b = button();
        if (t == QAccessible::Name) {
            if (!b->accessibleName().isEmpty()) return b->accessibleName();
            if (!b->caption().isEmpty()) return flat(b->caption());
            return b->toolTip();
        }
        if (t == QAccessible::Description) {
            // A named button's caption shows its value ("Wave" of the lighting mode); else the
            // tooltip describes the button unless it already is its name.
            if (!b->accessibleDescription().isEmpty()) return b->accessibleDescription();
            if (!b->caption().isEmpty() && flat(b->caption()) != text(QAccessible::Name)) return flat(b->caption());
            return b->toolTip() == text(QAccessible::Name) ? QString() : b->toolTip();
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const CBitmapBtn* b = button();
        s.checkable = b->isCheckable();
        s.checked = b->isChecked();
        s.pressed = b->isDown();
        if (inMenu()) {
            auto* menu = static_cast<CBmpMenuBase*>(b->parentWidget());
            s.focusable = true;
            s.focused = menu->current() >= 0 && menu->item(menu->current()) == b;
            s.hotTracked = s.focused;
        }
        return s;
    }
    QStringList actionNames() const override {
        if (!widget()->isEnabled()) return {};
        return {button()->isCheckable() ? toggleAction() : pressAction()};
    }
    void doAction(const QString& name) override {
        if (widget()->isEnabled() && (name == pressAction() || name == toggleAction())) button()->click();
    }
};

// ---- sliders

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(CPngHSliderBar* s) : QAccessibleWidget(s, QAccessible::Slider) {}
    CPngHSliderBar* slider() const { return static_cast<CPngHSliderBar*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(slider()->value());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant& value) override { slider()->choose(value.toInt()); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }
};

// ---- the list and its rows

class ListAccessible;

class ListRowAccessible : public QAccessibleInterface {
public:
    ListRowAccessible(CListBoxEx* list, int row) : list_(list), row_(row) {}
    bool isValid() const override { return list_ && row_ < list_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(list_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? list_->text(row_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const int top = (row_ - list_->topIndex()) * list_->itemHeight();
        return QRect(list_->mapToGlobal(QPoint(0, top)), QSize(list_->width(), list_->itemHeight()));
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) return s;
        const int shown = row_ - list_->topIndex();
        s.invisible = !list_->isVisible();
        s.offscreen = shown < 0 || shown >= list_->visibleRows();
        s.selectable = true;
        s.selected = list_->currentSelection() == row_;
        s.focusable = true;
        s.focused = s.selected && list_->hasFocus();
        return s;
    }

private:
    QPointer<CListBoxEx> list_;
    int row_;
};

class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(CListBoxEx* l) : QAccessibleWidget(l, QAccessible::List) {}
    ~ListAccessible() override {
        for (const auto& [row, id] : rows_) QAccessible::deleteAccessibleInterface(id);
    }
    CListBoxEx* list() const { return static_cast<CListBoxEx*>(widget()); }

    int childCount() const override { return list()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= list()->count()) return nullptr;
        // Rows have no objects of their own: one interface per row number, kept while the list lives.
        auto it = rows_.find(index);
        if (it == rows_.end())
            it = rows_.emplace(index, QAccessible::registerAccessibleInterface(new ListRowAccessible(list(), index))).first;
        return QAccessible::accessibleInterface(it->second);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [row, id] : rows_)
            if (QAccessible::accessibleInterface(id) == child) return row < list()->count() ? row : -1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(list()->itemAt(list()->mapFromGlobal(QPoint(x, y))));
    }
    QAccessibleInterface* focusChild() const override {
        return list()->hasFocus() ? child(list()->currentSelection()) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return list()->text(list()->currentSelection());
        return QAccessibleWidget::text(t);
    }

private:
    mutable std::map<int, QAccessible::Id> rows_;
};

// ---- menus, the colour selector and texts

class MenuAccessible : public QAccessibleWidget {
public:
    explicit MenuAccessible(CBmpMenuBase* m) : QAccessibleWidget(m, QAccessible::PopupMenu) {}
    QAccessibleInterface* focusChild() const override {
        auto* menu = static_cast<CBmpMenuBase*>(widget());
        return QAccessible::queryAccessibleInterface(menu->item(menu->current()));
    }
};

class ColourAccessible : public QAccessibleWidget {
public:
    explicit ColourAccessible(COwnColorSelect* c) : QAccessibleWidget(c, QAccessible::ColorChooser) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return fromColorRef(static_cast<COwnColorSelect*>(widget())->color()).name();
        return QAccessibleWidget::text(t);
    }
};

class TextAccessible : public QAccessibleWidget {
public:
    explicit TextAccessible(CStaticTrans* l) : QAccessibleWidget(l, QAccessible::StaticText) {}
    CStaticTrans* label() const { return static_cast<CStaticTrans*>(widget()); }
    QAccessible::Role role() const override {
        return label()->reportsState() ? QAccessible::StatusBar : QAccessible::StaticText;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty()) return flat(label()->text());
        return QAccessibleWidget::text(t);
    }
};

constexpr const char* kRoleProperty = "korvanteAccessibleRole";

QAccessibleInterface* skinFactory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) return nullptr;
    if (const QVariant role = widget->property(kRoleProperty); role.isValid())
        return new QAccessibleWidget(widget, QAccessible::Role(role.toInt()));
    if (className == QLatin1String("skin::CBitmapBtn")) return new ButtonAccessible(static_cast<CBitmapBtn*>(widget));
    if (className == QLatin1String("skin::CPngHSliderBar"))
        return new SliderAccessible(static_cast<CPngHSliderBar*>(widget));
    if (className == QLatin1String("skin::CListBoxEx")) return new ListAccessible(static_cast<CListBoxEx*>(widget));
    if (className == QLatin1String("skin::CBmpMenuBase")) return new MenuAccessible(static_cast<CBmpMenuBase*>(widget));
    if (className == QLatin1String("skin::COwnColorSelect"))
        return new ColourAccessible(static_cast<COwnColorSelect*>(widget));
    if (className == QLatin1String("skin::CStaticTrans")) return new TextAccessible(static_cast<CStaticTrans*>(widget));
    // A skinned window of its own: a frame, or a popup.
    if (className == QLatin1String("skin::SkinnedWindow") && widget->isWindow())
        return new QAccessibleWidget(widget, widget->windowType() == Qt::Popup ? QAccessible::PopupMenu : QAccessible::Window);
    return nullptr;
}

}  // namespace

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(skinFactory);
        return true;
    }();
    (void)installed;
}

namespace accessible {

void nameChanged(QWidget* control) {
    QAccessibleEvent event(control, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void valueChanged(QWidget* control, const QVariant& value) {
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

void setRole(QWidget* control, int role) {
    installAccessibility();
    control->setProperty(kRoleProperty, role);
}

void selectionChanged(QWidget* list, int row) {
    if (row < 0 || !QAccessible::isActive()) return;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    QAccessibleInterface* item = iface != nullptr ? iface->child(row) : nullptr;
    if (item == nullptr) return;
    QAccessibleEvent selection(item, QAccessible::Selection);
    QAccessible::updateAccessibility(&selection);
    if (list->hasFocus()) {
        QAccessibleEvent focus(item, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void itemHighlighted(QWidget* menu, QWidget* item) {
    if (item == nullptr || !menu->isVisible()) return;
    QAccessibleEvent focus(item, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void rowsChanged(QWidget* list) {
    QAccessibleEvent event(list, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&event);
}

}  // namespace accessible

}  // namespace skin
