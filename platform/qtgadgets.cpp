/*
 * qtgadgets.cpp - reading and setting gadget values by gadget id.
 *
 * Each setter blocks the widget's signals, so values set by the program
 * never come back as the user's input. An id without a gadget is ignored.
 */
#include "platform/qtprivate.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabBar>
#include <QTreeWidget>

#include "platform/strutil.h"

static GadgetState *Find(int id, GadgetKind kind = GK_NONE)
{
    if (id <= 0 || id >= PLATFORM_GADGETS || !gadgets[id].widget)
        return nullptr;
    if (kind != GK_NONE && gadgets[id].kind != kind)
        return nullptr;
    return &gadgets[id];
}

static QTreeWidgetItem *RowItem(QTreeWidget *t, int row);

static QButtonGroup *RadioGroup(GadgetState *g)
{
    return g->widget->findChild<QButtonGroup *>();
}

bool GadgetExists(int id)
{
    return Find(id) != nullptr;
}

void GadgetSetDisabled(int id, bool disabled)
{
    if (GadgetState *g = Find(id))
        g->widget->setEnabled(!disabled);
}

void GadgetSetSecret(int id)
{
    if (GadgetState *g = Find(id, GK_STRING))
        static_cast<QLineEdit *>(g->widget)->setEchoMode(QLineEdit::PasswordEchoOnEdit);
}

bool GadgetDisabled(int id)
{
    GadgetState *g = Find(id);
    return g && !g->widget->isEnabled();
}

/* ------------------------------------------------------------ texts */

void GadgetSetText(int id, const char *text)
{
    GadgetState *g = Find(id);
    if (!g)
        return;
    QSignalBlocker block(g->widget);
    if (auto *e = qobject_cast<QLineEdit *>(g->widget)) {
        e->setText(ToQt(text));
        e->setModified(false);
    } else if (auto *p = qobject_cast<QPlainTextEdit *>(g->widget)) {
        p->setPlainText(ToQt(text));
    }
}

void GadgetGetText(int id, char *buf, size_t size)
{
    GadgetState *g = Find(id);
    std::string text;
    if (g && qobject_cast<QLineEdit *>(g->widget))
        text = FromQt(static_cast<QLineEdit *>(g->widget)->text());
    else if (g && qobject_cast<QPlainTextEdit *>(g->widget))
        text = FromQt(static_cast<QPlainTextEdit *>(g->widget)->toPlainText());
    Strlcpy(buf, text.c_str(), size);
}

/* A text editor's whole text in UTF-8, for texts that live in files
 * rather than in the program's 8-bit fields. */
void GadgetSetUtf8Text(int id, const std::string &text)
{
    GadgetState *g = Find(id);
    if (auto *p = g ? qobject_cast<QPlainTextEdit *>(g->widget) : nullptr) {
        QSignalBlocker block(g->widget);
        p->setPlainText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
}

std::string GadgetUtf8Text(int id)
{
    GadgetState *g = Find(id);
    if (auto *p = g ? qobject_cast<QPlainTextEdit *>(g->widget) : nullptr)
        return p->toPlainText().toStdString();
    return std::string();
}

void GadgetSetHint(int id, const char *hint)
{
    if (GadgetState *g = Find(id))
        g->widget->setToolTip(ToQt(hint));
}

std::string GadgetHint(int id)
{
    GadgetState *g = Find(id);
    return g ? FromQt(g->widget->toolTip()) : std::string();
}

/* ------------------------------------------------------------ numbers */

/* The number of a gadget: an integer's value, a chooser's or radio group's
 * selection, a check box's state, a gauge's level. */
void GadgetSetNumber(int id, int32_t value)
{
    GadgetState *g = Find(id);
    if (!g)
        return;
    QSignalBlocker block(g->widget);
    switch (g->kind) {
    case GK_INTEGER: {
        auto *s = static_cast<QSpinBox *>(g->widget);
        s->setValue(value);
        break;
    }
    case GK_STRING:
        static_cast<QLineEdit *>(g->widget)->setText(QString::number(value));
        break;
    case GK_CHOOSER:
        static_cast<QComboBox *>(g->widget)->setCurrentIndex(value);
        break;
    case GK_CHECKBOX:
        static_cast<QCheckBox *>(g->widget)->setChecked(value != 0);
        break;
    case GK_RADIO:
        if (QAbstractButton *b = RadioGroup(g)->button(value))
            b->setChecked(true);
        break;
    case GK_GAUGE:
        static_cast<QProgressBar *>(g->widget)->setValue(value);
        break;
    case GK_TABS:
        static_cast<QTabBar *>(g->widget)->setCurrentIndex(value);
        break;
    case GK_LIST: {
        auto *t = static_cast<QTreeWidget *>(g->widget);
        t->setCurrentItem(RowItem(t, value));
        break;
    }
    default:
        break;
    }
}

int32_t GadgetNumber(int id)
{
    GadgetState *g = Find(id);
    if (!g)
        return 0;
    switch (g->kind) {
    case GK_INTEGER: return static_cast<QSpinBox *>(g->widget)->value();
    case GK_STRING: return static_cast<QLineEdit *>(g->widget)->text().toInt();
    case GK_CHOOSER: return static_cast<QComboBox *>(g->widget)->currentIndex();
    case GK_CHECKBOX: return static_cast<QCheckBox *>(g->widget)->isChecked();
    case GK_RADIO: return RadioGroup(g)->checkedId();
    case GK_GAUGE: return static_cast<QProgressBar *>(g->widget)->value();
    case GK_TABS: return static_cast<QTabBar *>(g->widget)->currentIndex();
    case GK_LIST: {
        auto *t = static_cast<QTreeWidget *>(g->widget);
        QTreeWidgetItem *item = t->currentItem();
        return item ? item->data(0, Qt::UserRole).toInt() : -1;
    }
    default: return 0;
    }
}

void GadgetSetMax(int id, int32_t max)
{
    GadgetState *g = Find(id);
    if (g && g->kind == GK_GAUGE) {
        static_cast<QProgressBar *>(g->widget)->setMaximum(max > 0 ? max : 1);
        return;
    }
    if (!g || g->kind != GK_INTEGER)
        return;
    QSignalBlocker block(g->widget);
    auto *s = static_cast<QSpinBox *>(g->widget);
    s->setMaximum(max < s->minimum() ? s->minimum() : max);
}

/* ------------------------------------------------------------ choosers */

/* Shows the first `count` labels; the selection stays where it can. */
void GadgetSetLabels(int id, const char *const *labels, int count)
{
    GadgetState *g = Find(id, GK_CHOOSER);
    if (!g)
        return;
    auto *c = static_cast<QComboBox *>(g->widget);
    QSignalBlocker block(c);
    int current = c->currentIndex();
    c->clear();
    g->labels.clear();
    for (int i = 0; i < count && labels[i]; i++) {
        c->addItem(ToQt(labels[i]));
        g->labels.push_back(labels[i]);
    }
    if (c->count())
        c->setCurrentIndex(current < 0 ? 0 : current < c->count() ? current : c->count() - 1);
}

int GadgetLabelCount(int id)
{
    GadgetState *g = Find(id, GK_CHOOSER);
    return g ? static_cast<QComboBox *>(g->widget)->count() : 0;
}

std::string GadgetLabel(int id, int index)
{
    GadgetState *g = Find(id, GK_CHOOSER);
    if (!g || index < 0 || index >= int(g->labels.size()))
        return std::string();
    return g->labels[index];
}

/* ------------------------------------------------------------ lists */

int GadgetListEvent(int id)
{
    GadgetState *g = Find(id, GK_LIST);
    return g ? g->event : 0;
}

/* Rows are numbered in display order from 0; the number travels with the
 * row as its code in messages. A row of depth d hangs below the last row of
 * depth d - 1. */
/* The user clicks a row, as a mouse click on it would report it. */
bool GadgetClickRow(int id, int row)
{
    GadgetState *g = Find(id, GK_LIST);
    auto *t = g ? static_cast<QTreeWidget *>(g->widget) : nullptr;
    QTreeWidgetItem *item = t ? RowItem(t, row) : nullptr;
    if (!item)
        return false;
    t->setCurrentItem(item);
    emit t->itemClicked(item, 0);
    return true;
}

/* The user edits a cell of a row; `text` replaces it as if typed. */
bool GadgetEditCell(int id, int row, int column, const char *text)
{
    GadgetState *g = Find(id, GK_LIST);
    QTreeWidgetItem *item = g ? RowItem(static_cast<QTreeWidget *>(g->widget), row) : nullptr;
    if (!item || !(item->data(0, Qt::UserRole + 1).toUInt() & (1u << column)))
        return false;
    static_cast<QTreeWidget *>(g->widget)->setCurrentItem(item);
    item->setText(column, ToQt(text));
    return true;
}

void GadgetSetRows(int id, const std::vector<ListRow> &rows)
{
    GadgetState *g = Find(id, GK_LIST);
    if (!g)
        return;
    auto *t = static_cast<QTreeWidget *>(g->widget);
    QSignalBlocker block(t);
    t->clear();
    std::vector<QTreeWidgetItem *> parents;
    for (size_t i = 0; i < rows.size(); i++) {
        const ListRow &r = rows[i];
        size_t depth = r.depth < 0 ? 0 : size_t(r.depth);
        if (depth > parents.size())
            depth = parents.size();
        parents.resize(depth);
        auto *item = depth ? new QTreeWidgetItem(parents.back()) : new QTreeWidgetItem(t);
        for (size_t c = 0; c < r.cells.size(); c++)
            item->setText(int(c), ToQt(r.cells[c].c_str()));
        item->setData(0, Qt::UserRole, int(i));
        item->setData(0, Qt::UserRole + 1, r.editable);
        if (r.editable)
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        parents.push_back(item);
    }
    t->expandAll();
    for (int c = 0; c < t->columnCount(); c++)
        t->resizeColumnToContents(c);
}

static QTreeWidgetItem *RowItem(QTreeWidget *t, int row)
{
    QTreeWidgetItemIterator it(t);
    for (; *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == row)
            return *it;
    return nullptr;
}

int GadgetRowCount(int id)
{
    GadgetState *g = Find(id, GK_LIST);
    if (!g)
        return 0;
    int n = 0;
    for (QTreeWidgetItemIterator it(static_cast<QTreeWidget *>(g->widget)); *it; ++it)
        n++;
    return n;
}

std::string GadgetCell(int id, int row, int column)
{
    GadgetState *g = Find(id, GK_LIST);
    QTreeWidgetItem *item = g ? RowItem(static_cast<QTreeWidget *>(g->widget), row) : nullptr;
    return item ? FromQt(item->text(column)) : std::string();
}

/* ------------------------------------------------------------ tabs */

void TabsSet(int id, const std::vector<std::string> &labels, int current)
{
    GadgetState *g = Find(id, GK_TABS);
    if (!g)
        return;
    auto *t = static_cast<QTabBar *>(g->widget);
    QSignalBlocker block(t);
    while (t->count() > int(labels.size()))
        t->removeTab(t->count() - 1);
    for (size_t i = 0; i < labels.size(); i++) {
        if (int(i) < t->count())
            t->setTabText(int(i), ToQt(labels[i].c_str()));
        else
            t->addTab(ToQt(labels[i].c_str()));
    }
    if (current >= 0 && current < t->count())
        t->setCurrentIndex(current);
}

int TabsCurrent(int id)
{
    GadgetState *g = Find(id, GK_TABS);
    return g ? static_cast<QTabBar *>(g->widget)->currentIndex() : -1;
}

int TabsCount(int id)
{
    GadgetState *g = Find(id, GK_TABS);
    return g ? static_cast<QTabBar *>(g->widget)->count() : 0;
}

std::string TabsLabel(int id, int index)
{
    GadgetState *g = Find(id, GK_TABS);
    return g ? FromQt(static_cast<QTabBar *>(g->widget)->tabText(index)) : std::string();
}
