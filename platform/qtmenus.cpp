/*
 * qtmenus.cpp - the menu strip on a Qt menu bar. An item's label "key|text"
 * gives it the shortcut Ctrl+key ("DEL" the Delete key; "Y,Shift+Z" two
 * shortcuts, Ctrl+Y and Ctrl+Shift+Z); when several items name the same
 * key, the last one in the strip has it, so no key is ambiguous. A pick
 * becomes a menu message carrying the item's id. Items the program
 * disables stay disabled while the whole bar is enabled and disabled.
 */
#include "platform/qtprivate.h"

#include <map>

#include <QAction>
#include <QBoxLayout>
#include <QMenu>
#include <QMenuBar>

#include "platform/assign.h"

struct MenuStrip {
    std::vector<MenuDef> defs;
    bool localimages;
    std::map<int, QAction *> actions;
    std::map<int, std::string> images;  /* id -> image file (program path) */
    std::map<int, std::string> shortcuts; /* "Ctrl+Y;Ctrl+Shift+Z" */
    std::map<int, bool> disabled;
    QMenuBar *bar;
};

/* The item of the menu message taken last; -1 for none. */
int menu_taken_pick = -1;

/* ------------------------------------------------------------ labels */

static std::string LabelText(const std::string &label)
{
    size_t bar = label.find('|');
    return bar == std::string::npos ? label : label.substr(bar + 1);
}

static std::string OneKey(std::string key)
{
    if (key == "DEL")
        return "Del";
    if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z')
        key[0] = char(key[0] - 'a' + 'A');
    return "Ctrl+" + key;
}

static std::string LabelKey(const std::string &label)
{
    size_t bar = label.find('|');
    if (bar == std::string::npos || bar == 0)
        return std::string();
    std::string keys = label.substr(0, bar), out;
    for (size_t start = 0; start <= keys.size();) {
        size_t comma = keys.find(',', start);
        if (comma == std::string::npos)
            comma = keys.size();
        out += (out.empty() ? "" : ";") + OneKey(keys.substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

static void AssignShortcuts(MenuStrip *m)
{
    std::map<std::string, int> owner;
    for (const MenuDef &d : m->defs)
        if (d.id >= 0 && !LabelKey(d.label).empty())
            owner[LabelKey(d.label)] = d.id;
    for (auto &[key, id] : owner)
        m->shortcuts[id] = key;
}

/* ------------------------------------------------------------ strip */

void *PlatformMenuCreate(const std::vector<MenuDef> &defs, bool localimages)
{
    MenuStrip *m = new MenuStrip{defs, localimages, {}, {}, {}, {}, nullptr};
    for (const MenuDef &d : defs)
        if (d.image && d.level > 0)
            m->images[d.id] = std::string(localimages ? "PROGDIR:Images/" : "tbimages:") + d.image;
    AssignShortcuts(m);
    return m;
}

void PlatformMenuDispose(void *strip)
{
    MenuStrip *m = static_cast<MenuStrip *>(strip);
    if (!m)
        return;
    delete m->bar;
    delete m;
}

static QAction *MakeAction(MenuStrip *m, QMenu *menu, const MenuDef &d, int win)
{
    QAction *a = menu->addAction(ToQt(LabelText(d.label).c_str()));
    if (m->images.count(d.id))
        a->setIcon(QIcon(QString::fromStdString(HostPath(m->images[d.id].c_str()))));
    if (m->shortcuts.count(d.id)) {
        QList<QKeySequence> keys;
        for (const QString &k : QString::fromStdString(m->shortcuts[d.id]).split(';'))
            keys.append(QKeySequence(k));
        a->setShortcuts(keys);
    }
    int id = d.id;
    QObject::connect(a, &QAction::triggered, [m, win, id] {
        if (!InputBlocked(win))
            PlatformMenuPick(m, id);
    });
    m->actions[id] = a;
    return a;
}

static void BuildBar(MenuStrip *m, int win)
{
    m->bar = new QMenuBar;
    QMenu *menu = nullptr, *sub = nullptr;
    for (const MenuDef &d : m->defs) {
        if (d.level == 0) {
            menu = m->bar->addMenu(ToQt(LabelText(d.label).c_str()));
            sub = nullptr;
        } else if (d.id < 0) {
            (d.level == 2 && sub ? sub : menu)->addSeparator();
        } else if (d.level == 1 && !d.image && d.id >= 0 && &d != &m->defs.back() &&
                   (&d + 1)->level == 2) {
            sub = menu->addMenu(ToQt(LabelText(d.label).c_str()));
            m->actions[d.id] = sub->menuAction();
        } else {
            MakeAction(m, d.level == 2 && sub ? sub : menu, d, win);
        }
    }
}

/* The bar is made when first attached and then only enabled or disabled:
 * taking it out of the window would move the page area. */
void PlatformMenuAttach(int win, void *strip, bool attach)
{
    MenuStrip *m = static_cast<MenuStrip *>(strip);
    if (!m || !PlatformWindowExists(win))
        return;
    if (!m->bar) {
        BuildBar(m, win);
        static_cast<QBoxLayout *>(windows[win].widget->layout())->setMenuBar(m->bar);
        windows[win].menubar = m->bar;
    }
    m->bar->setEnabled(attach);
    for (auto &[id, a] : m->actions)
        a->setEnabled(attach && !m->disabled[id]);
}

/* A new label (the shortcut part "key|" is kept as it was) and whether
 * the item can be picked. */
void PlatformMenuSetItem(void *strip, int id, const char *label, bool enabled)
{
    MenuStrip *m = static_cast<MenuStrip *>(strip);
    if (!m)
        return;
    m->disabled[id] = !enabled;
    auto it = m->actions.find(id);
    if (it == m->actions.end())
        return;
    it->second->setText(ToQt(LabelText(label ? label : "").c_str()));
    it->second->setEnabled(enabled && m->bar && m->bar->isEnabled());
}

/* ------------------------------------------------------------ picks */

bool PlatformMenuPick(void *strip, int id)
{
    MenuStrip *m = static_cast<MenuStrip *>(strip);
    if (!m || !m->bar || !m->bar->isEnabled())
        return false;
    PlatformPostMessage(0, WMHI_MENUPICK, uint16_t(id), 0, windows[0].mx, windows[0].my);
    return true;
}

/* The picked items after `previous` (-1 starts): one pick per message. */
int PlatformMenuNextSelection(void *strip, int previous)
{
    if (!strip || previous != -1)
        return -1;
    return menu_taken_pick;
}

std::string PlatformMenuImageFile(void *strip, int id)
{
    MenuStrip *m = static_cast<MenuStrip *>(strip);
    return m && m->images.count(id) ? m->images[id] : std::string();
}

/* What the item shows and whether it can be picked, once the bar is made. */
std::string PlatformMenuItemText(void *strip, int id)
{
    MenuStrip *m = static_cast<MenuStrip *>(strip);
    auto it = m ? m->actions.find(id) : std::map<int, QAction *>::iterator();
    return m && it != m->actions.end() ? FromQt(it->second->text()) : std::string();
}

bool PlatformMenuItemEnabled(void *strip, int id)
{
    MenuStrip *m = static_cast<MenuStrip *>(strip);
    auto it = m ? m->actions.find(id) : std::map<int, QAction *>::iterator();
    return m && it != m->actions.end() && it->second->isEnabled();
}

std::string PlatformMenuShortcut(void *strip, int id)
{
    MenuStrip *m = static_cast<MenuStrip *>(strip);
    return m && m->shortcuts.count(id) ? m->shortcuts[id] : std::string();
}
