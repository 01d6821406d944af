#pragma once
// Stand-ins for the frame's two view models, so the QML frame can be checked without the
// device layer: they record what QML asks of them.
#include <QObject>
#include <QStringList>
#include <QStringListModel>

class FakeTopBarVM : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringListModel *menuList READ menuList NOTIFY menuListChanged)
    Q_PROPERTY(int currentPageIndex READ currentPageIndex WRITE setCurrentPageIndex NOTIFY currentPageIndexChanged)
    Q_PROPERTY(int activations MEMBER m_activations NOTIFY recorded)
    Q_PROPERTY(int closeRequests MEMBER m_closeRequests NOTIFY recorded)
    // The indexes given to menuSelected, comma separated.
    Q_PROPERTY(QString selections MEMBER m_selections NOTIFY recorded)
public:
    explicit FakeTopBarVM(QObject *parent = nullptr);

    QStringListModel *menuList() { return &m_menu; }
    int currentPageIndex() const { return m_currentPageIndex; }
    void setCurrentPageIndex(int index);

    Q_INVOKABLE void setMenu(const QStringList &names);
    Q_INVOKABLE void menuSelected(int index);
    Q_INVOKABLE void closeApplication();
    Q_INVOKABLE void onActivate();
    Q_INVOKABLE bool onDeactivate();

signals:
    void menuListChanged();
    void currentPageIndexChanged();
    void recorded();

private:
    QStringListModel m_menu;
    int m_currentPageIndex = 0;
    int m_activations = 0;
    int m_closeRequests = 0;
    QString m_selections;
};

class FakeTopBarWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(FakeTopBarVM *mainTopBarVM READ mainTopBarVM NOTIFY mainTopBarVMChanged)
public:
    explicit FakeTopBarWrapper(QObject *parent = nullptr) : QObject(parent) {}
    FakeTopBarVM *mainTopBarVM() { return &m_viewModel; }
signals:
    void mainTopBarVMChanged();
private:
    FakeTopBarVM m_viewModel;
};

class FakeShellVM : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString selectedMasterView MEMBER m_url NOTIFY selectedMasterViewChanged)
public:
    using QObject::QObject;
    static FakeShellVM &shared();
signals:
    void selectedMasterViewChanged(QString selectedMasterView);
private:
    QString m_url;
};

class FakeShellWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(FakeShellVM *shellVM READ shellVM NOTIFY shellVMChanged)
public:
    using QObject::QObject;
    FakeShellVM *shellVM() { return &FakeShellVM::shared(); }
signals:
    void shellVMChanged();
};

// Main.qml's calculator, at the scale the test chooses before creating the window.
class FakeScalingCalculator : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double fontScalingFactor READ scale NOTIFY fontScalingFactorChanged)
    Q_PROPERTY(double scalingFactor READ scale NOTIFY scalingFactorChanged)
public:
    using QObject::QObject;
    static double nextScale;
    double scale() const { return m_scale; }
signals:
    void fontScalingFactorChanged();
    void scalingFactorChanged();
private:
    double m_scale = nextScale;
};

// What the tests read besides the items: the engine's warnings, so each test can insist there
// were none, and the top bar's deactivations, which happen while its fake is being destroyed.
class TestProbe : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    void addWarning(const QString &warning) { m_warnings << warning; }
    // The warnings since the last call, one a line; forgets them.
    Q_INVOKABLE QString takeWarnings();
    Q_INVOKABLE int topBarDeactivations() const;
    Q_INVOKABLE void setScale(double scale) { FakeScalingCalculator::nextScale = scale; }
private:
    QStringList m_warnings;
};
