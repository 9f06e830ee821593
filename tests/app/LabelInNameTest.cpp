// What a screen reader says of each control starts with what is written on it, in both windows and languages.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>

#include <set>

#include "support/MainWindowFixture.h"

namespace {

using TLabelInNameTest = TMainWindowFixture;

// The text as shown: a single '&' only underlines the next letter, "&&" shows one '&'.
QString WithoutMnemonics(const QString& text)
{
    QString shown;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && ++i == text.size())
            break;
        shown.append(text.at(i));
    }
    return shown.trimmed();
}

// The text a sighted user reads on a control or right beside it as its label; empty when there is none.
QString VisibleText(const QObject* object)
{
    if (const auto* action = qobject_cast<const QAction*>(object))
        return action->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(object))
        return button->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(object))
        return group->title();
    if (const auto* label = qobject_cast<const QLabel*>(object))
        return label->text();
    const auto* field = qobject_cast<const QWidget*>(object);
    const bool input = qobject_cast<const QLineEdit*>(object) || qobject_cast<const QAbstractSpinBox*>(object)
                       || qobject_cast<const QComboBox*>(object);
    if (!input || field->parentWidget() == nullptr)
        return {};
    for (const QLabel* label : field->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->buddy() == field)
            return label->text();
    }
    // A field inside a titled group, with no label of its own, is known by the title.
    if (const auto* group = qobject_cast<const QGroupBox*>(field->parentWidget()))
        return group->title();
    return {};
}

// The name starts with the shown text (a label's closing ':' or '=' may be left out), then ends or goes on
// after a separator; French puts a space before its colon.
bool NameCarriesText(const QString& name, const QString& visible)
{
    QStringList shown{visible};
    if (visible.endsWith(QLatin1Char(':')) || visible.endsWith(QLatin1Char('=')))
        shown.append(visible.chopped(1).trimmed());
    const QString spoken = name.trimmed();
    for (const QString& text : shown) {
        if (!spoken.startsWith(text))
            continue;
        const QStringView rest = QStringView(spoken).mid(text.size());
        if (rest.isEmpty() || rest.startsWith(u": ") || rest.startsWith(u" : ") || rest.startsWith(u" - ")
            || rest.startsWith(u", "))
            return true;
    }
    return false;
}

// Walks the window as a screen reader does and checks every node that shows a text; returns what it met.
std::set<const QObject*> CheckTree(QAccessibleInterface* node, int depth = 0)
{
    std::set<const QObject*> met;
    if (node == nullptr || depth > 40)
        return met;
    QString visible;
    if (node->role() == QAccessible::PageTab) {
        // Tabs are parts of their bar, not objects of their own.
        QAccessibleInterface* bar = node->parent();
        if (const auto* tabBar = qobject_cast<const QTabBar*>(bar ? bar->object() : nullptr))
            visible = tabBar->tabText(bar->indexOfChild(node));
    } else if (node->object() != nullptr) {
        met.insert(node->object());
        visible = VisibleText(node->object());
    }
    visible = WithoutMnemonics(visible);
    const QString name = node->text(QAccessible::Name);
    if (!visible.isEmpty()) {
        EXPECT_TRUE(NameCarriesText(name, visible))
            << (node->object() ? node->object()->metaObject()->className() : "tab") << " shows \""
            << visible.toStdString() << "\" but is named \"" << name.toStdString() << "\"";
    }
    for (int i = 0; i < node->childCount(); ++i)
        met.merge(CheckTree(node->child(i), depth + 1));
    return met;
}

// Every widget and menu entry that shows a text is on the screen reader's tree, so none goes unchecked.
void ExpectAllReached(const QWidget& window, const std::set<const QObject*>& met)
{
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!WithoutMnemonics(VisibleText(widget)).isEmpty()) {
            EXPECT_TRUE(met.count(widget)) << widget->metaObject()->className() << " \""
                                           << VisibleText(widget).toStdString() << "\" is not on the tree";
        }
    }
    for (const QAction* action : window.findChildren<QAction*>()) {
        const bool inMenu = !action->associatedObjects().isEmpty();
        if (inMenu && !action->isSeparator() && !WithoutMnemonics(action->text()).isEmpty()) {
            EXPECT_TRUE(met.count(action)) << "menu entry \"" << action->text().toStdString() << "\" is not on the tree";
        }
    }
}

}  // namespace

TEST_F(TLabelInNameTest, EveryShownTextStartsTheAccessibleNameInBothWindowsAndLanguages)
{
    TForm1& form = CreateForm();
    TFormInit& settings = CreateSettingsWindow();
    const struct {
        const char* Language;
        QAction* Choice;
    } languages[] = {{"English", form.MenuEnglish}, {"French", form.MenuFrancais}};
    for (const auto& language : languages) {
        SCOPED_TRACE(language.Language);
        language.Choice->trigger();
        for (QWidget* window : {static_cast<QWidget*>(&form), static_cast<QWidget*>(&settings)}) {
            SCOPED_TRACE(window->metaObject()->className());
            std::set<const QObject*> met = CheckTree(QAccessible::queryAccessibleInterface(window));
            // A context menu is a window of its own, on the tree while it is open.
            for (QMenu* popup : window->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
                met.merge(CheckTree(QAccessible::queryAccessibleInterface(popup)));
            ExpectAllReached(*window, met);
        }
    }
}
