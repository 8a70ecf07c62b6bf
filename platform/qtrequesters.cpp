/*
 * qtrequesters.cpp - modal requesters: the message requester with its row
 * of buttons and the file requester.
 *
 * Every requester goes through here, so none can block an unattended run:
 * answers come first from the script of the running process (tests), then
 * from the file named by PAGIMO_REQUESTERS (one answer a line: a button
 * number, or a path for a file requester; an empty line cancels), and only
 * then from the user. Without a display (the offscreen platform) an
 * unanswered requester is cancelled. Runs without windows (the PDF job)
 * print the text of a message requester on standard error instead. Once
 * the break signal arrived, every requester answers Cancel at once.
 */
#include "platform/qtprivate.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/assign.h"
#include "platform/charset.h"
#include "platform/strutil.h"

std::vector<std::string> RequesterLog;
static std::deque<std::string> script;
static bool print_requesters;

void RequesterSetPrint(bool print)
{
    print_requesters = print;
}

/* ------------------------------------------------------------ answers */

void RequesterScriptAdd(const char *answer)
{
    script.push_back(answer ? answer : "");
}

void RequesterScriptClear(void)
{
    script.clear();
}

static bool FileAnswer(std::string &answer)
{
    static std::ifstream *in;
    static bool tried;
    if (!tried) {
        tried = true;
        const char *name = std::getenv("PAGIMO_REQUESTERS");
        if (name && *name)
            in = new std::ifstream(name);
    }
    return in && std::getline(*in, answer);
}

/* True with the scripted answer, false when the user must answer. */
static bool ScriptedAnswer(std::string &answer)
{
    if (!script.empty()) {
        answer = script.front();
        script.pop_front();
        return true;
    }
    if (FileAnswer(answer))
        return true;
    if (QGuiApplication::platformName() == "offscreen") {
        answer.clear();
        return true;
    }
    return false;
}

static QWidget *Parent(int win)
{
    return PlatformWindowExists(win) ? windows[win].widget : nullptr;
}

/* ------------------------------------------------------------ message requester */

static std::vector<std::string> SplitButtons(const char *buttons)
{
    std::vector<std::string> out;
    std::string all(buttons ? buttons : "");
    size_t start = 0;
    for (;;) {
        size_t bar = all.find('|', start);
        out.push_back(all.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            return out;
        start = bar + 1;
    }
}

/* Buttons count from the left from 1; the rightmost gives 0. */
static int ShowEasy(int win, const char *title, const char *text, const std::vector<std::string> &b)
{
    QDialog d(Parent(win));
    d.setWindowTitle(ToQt(title));
    auto *col = new QVBoxLayout(&d);
    auto *label = new QLabel(ToQt(text));
    label->setTextFormat(Qt::PlainText);
    col->addWidget(label);
    auto *row = new QHBoxLayout;
    col->addLayout(row);
    int n = int(b.size());
    for (int i = 0; i < n; i++) {
        auto *pb = new QPushButton(ToQt(b[i].c_str()));
        int result = i == n - 1 ? 0 : i + 1;
        QObject::connect(pb, &QPushButton::clicked, [&d, result] { d.done(result + 1); });
        row->addWidget(pb);
        if (i == 0)
            pb->setDefault(true);
    }
    int r = d.exec();
    return r > 0 ? r - 1 : 0;
}

int PlatformEasyRequest(int win, const char *title, const char *text, const char *buttons)
{
    RequesterLog.push_back(std::string(title ? title : "") + "|" + (text ? text : "") + "|" +
                           (buttons ? buttons : ""));
    std::vector<std::string> b = SplitButtons(buttons);
    if (print_requesters) {
        std::fprintf(stderr, "pagimo: %s\n", CharsetToUtf8(text).c_str());
        std::fflush(stderr);
        return 0;
    }
    std::string answer;
    if (BreakPending())
        return 0;
    if (!ScriptedAnswer(answer))
        return ShowEasy(win, title, text, b);
    int n = std::atoi(answer.c_str());
    return (n > 0 && n < int(b.size())) ? n : 0;
}

/* ------------------------------------------------------------ file requester */

/* "(#?.pfz|#?.ptz)" becomes "*.pfz *.ptz". */
static QString GlobPattern(const char *pattern)
{
    std::string p(pattern ? pattern : "");
    if (p.size() >= 2 && p.front() == '(' && p.back() == ')')
        p = p.substr(1, p.size() - 2);
    std::string out;
    for (size_t i = 0; i < p.size(); i++) {
        if (p.compare(i, 2, "#?") == 0) {
            out += '*';
            i++;
        } else {
            out += p[i] == '|' ? ' ' : p[i];
        }
    }
    return QString::fromStdString(out.empty() ? "*" : out);
}

/* True with the chosen path (a host path) in `path`; false when cancelled.
 * The path is whole, however long: callers decide whether it fits. */
bool PlatformFileRequest(int win, const char *title, const char *drawer, const char *file,
                         const char *pattern, bool save, std::string &path)
{
    RequesterLog.push_back(std::string("file|") + (title ? title : "") + "|" + (pattern ? pattern : ""));
    std::string answer;
    if (BreakPending())
        return false;
    if (ScriptedAnswer(answer)) {
        path = answer;
        return !answer.empty();
    }
    QString start = QString::fromStdString(HostPath(drawer ? drawer : ""));
    if (file && *file)
        start += "/" + ToQt(file);
    QString filter = GlobPattern(pattern);
    /* A save requester never asks about an existing file itself: choosing
     * an existing text file only opens it, and the program asks before it
     * replaces a project or a PDF. */
    QString chosen = save ? QFileDialog::getSaveFileName(Parent(win), ToQt(title), start, filter, nullptr,
                                                         QFileDialog::DontConfirmOverwrite)
                          : QFileDialog::getOpenFileName(Parent(win), ToQt(title), start, filter);
    path = chosen.toLocal8Bit().constData();
    return !chosen.isEmpty();
}
