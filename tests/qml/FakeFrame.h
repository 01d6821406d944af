#pragma once
// Stand-ins for the frame's view models and scaling calculator, so that the QML frame can be
// checked without the device layer: they record what QML asks of them.
#include <QObject>
#include <QStringListModel>

class FakeTopBarVM : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringListModel *menuList READ menuList NOTIFY menuListChanged)
    Q_PROPERTY(int currentPageIndex MEMBER m_currentPageIndex NOTIFY currentPageIndexChanged)
    Q_PROPERTY(int activations MEMBER m_activations NOTIFY recorded)
    Q_PROPERTY(int closeRequests MEMBER m_closeRequests NOTIFY recorded)
    // The indexes given to menuSelected, comma separated.
    Q_PROPERTY(QString selections MEMBER m_selections NOTIFY recorded)
public:
    static int deactivations; // the top bar's call comes while the fake is being destroyed

    QStringListModel *menuList() { return &m_menu; }
    Q_INVOKABLE void setMenu(const QStringList &names)
    {
        m_menu.setStringList(names);
        emit menuListChanged();
    }
    Q_INVOKABLE void menuSelected(int index)
    {
        m_selections += (m_selections.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(index);
        setProperty("currentPageIndex", index);
        emit recorded();
    }
    Q_INVOKABLE void closeApplication()
    {
        ++m_closeRequests;
        emit recorded();
    }
    Q_INVOKABLE void onActivate()
    {
        ++m_activations;
        emit recorded();
    }
    Q_INVOKABLE bool onDeactivate()
    {
        ++deactivations;
        return true;
    }

signals:
    void menuListChanged();
    void currentPageIndexChanged();
    void recorded();

private:
    QStringListModel m_menu{{QStringLiteral("Status")}};
    int m_currentPageIndex = 0;
    int m_activations = 0;
    int m_closeRequests = 0;
    QString m_selections;
};

class FakeTopBarWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(FakeTopBarVM *mainTopBarVM READ mainTopBarVM CONSTANT)
public:
    FakeTopBarVM *mainTopBarVM() { return &m_viewModel; }
private:
    FakeTopBarVM m_viewModel;
};

class FakeShellVM : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString selectedMasterView MEMBER m_url NOTIFY selectedMasterViewChanged)
signals:
    void selectedMasterViewChanged(QString selectedMasterView);
private:
    QString m_url;
};

class FakeShellWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(FakeShellVM *shellVM READ shellVM CONSTANT)
public:
    FakeShellVM *shellVM() { return &m_viewModel; }
private:
    FakeShellVM m_viewModel;
};

// Main.qml's calculator, at the scale the test chose before creating the window.
class FakeScalingCalculator : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double fontScalingFactor MEMBER m_scale CONSTANT)
    Q_PROPERTY(double scalingFactor MEMBER m_scale CONSTANT)
public:
    static double nextScale;
private:
    double m_scale = nextScale;
};

// What the tests read besides the items: the engine's warnings, so each test can insist there
// were none, and the top bar's deactivations.
class TestProbe : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    void addWarning(const QString &warning) { m_warnings << warning; }
    // The warnings since the last call, one a line; forgets them.
    Q_INVOKABLE QString takeWarnings()
    {
        const QString all = m_warnings.join(QLatin1Char('\n'));
        m_warnings.clear();
        return all;
    }
    Q_INVOKABLE int topBarDeactivations() const { return FakeTopBarVM::deactivations; }
    Q_INVOKABLE void setScale(double scale) { FakeScalingCalculator::nextScale = scale; }
private:
    QStringList m_warnings;
};
