#pragma once

#include "platform/adapter.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/folderpicker.h"
#include "platform/hostinfo.h"
#include "platform/processstarter.h"
#include "platform/schemelauncher.h"

#include <QQueue>
#include <QStringList>
#include <QTime>

#include <optional>

namespace kuokuo::test {

// Installs a fake adapter for the lifetime of the object.
template <class Interface>
class Installed
{
public:
    explicit Installed(Interface &fake) { Adapter<Interface>::install(&fake); }
    ~Installed() { Adapter<Interface>::install(nullptr); }
    Installed(const Installed &) = delete;
    Installed &operator=(const Installed &) = delete;
};

// Dialogs answered from a script; every call is recorded as "kind|title|text".
class FakeDialogs final : public Dialogs
{
public:
    QQueue<Answer> yesNoAnswers;  // an empty queue answers No
    QQueue<QString> inputAnswers; // an empty queue answers as Cancel does (empty text)
    QQueue<QString> saveAnswers;  // likewise
    QStringList calls;

    Answer askYesNo(QWidget *, const QString &title, const QString &prompt) override
    {
        calls << QStringLiteral("question|%1|%2").arg(title, prompt);
        return yesNoAnswers.isEmpty() ? Answer::No : yesNoAnswers.dequeue();
    }
    QString inputBox(QWidget *, const QString &prompt, const QString &title,
                     const QString &defaultAnswer) override
    {
        calls << QStringLiteral("input|%1|%2|%3").arg(title, prompt, defaultAnswer);
        return inputAnswers.isEmpty() ? QString() : inputAnswers.dequeue();
    }
    void messageBox(QWidget *, const QString &text, const QString &title) override
    {
        calls << QStringLiteral("message|%1|%2").arg(title, text);
    }
    QString saveFileName(QWidget *, const QString &title, const QString &path) override
    {
        calls << QStringLiteral("save|%1|%2").arg(title, path);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
    }
    void beep() override { calls << QStringLiteral("beep"); }
};

// The other adapters answer what the test sets and record what they were given.
struct FakeFolderPicker final : FolderPicker
{
    std::optional<QString> answer; // nothing: the user cancels
    QStringList titles;
    std::optional<QString> chooseFolder(QWidget *, const QString &title) override
    {
        return titles << title, answer;
    }
};
struct FakeSchemeLauncher final : SchemeLauncher
{
    QStringList launched;
    bool launch(const QString &address) override { return launched << address, true; }
};
struct FakeProcessStarter final : ProcessStarter
{
    QStringList started;
    bool result = true;
    bool start(const QString &program) override { return started << program, result; }
};
struct FakeHostInfo final : HostInfo
{
    QString hostName, ip;
    QString localHostName() override { return hostName; }
    QString localIp() override { return ip; }
};
struct FakeClock final : Clock
{
    QTime time{12, 0};
    QTime currentTime() override { return time; }
};

} // namespace kuokuo::test
