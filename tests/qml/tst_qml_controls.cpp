// Qt Quick Test runner for the controls and the frame. The frame's wrappers and the scaling
// calculator are replaced by the fakes of FakeFrame.h.
#include "FakeFrame.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QtQml>
#include <QtQuickTest>

namespace {
int g_deactivations = 0;
}

double FakeScalingCalculator::nextScale = 1.0;

FakeTopBarVM::FakeTopBarVM(QObject *parent) : QObject(parent)
{
    m_menu.setStringList({QStringLiteral("Status")});
}

void FakeTopBarVM::setCurrentPageIndex(int index)
{
    if (index == m_currentPageIndex)
        return;
    m_currentPageIndex = index;
    emit currentPageIndexChanged();
}

void FakeTopBarVM::setMenu(const QStringList &names)
{
    m_menu.setStringList(names);
    emit menuListChanged();
}

void FakeTopBarVM::menuSelected(int index)
{
    if (!m_selections.isEmpty())
        m_selections += QLatin1Char(',');
    m_selections += QString::number(index);
    setCurrentPageIndex(index);
    emit recorded();
}

void FakeTopBarVM::closeApplication()
{
    ++m_closeRequests;
    emit recorded();
}

void FakeTopBarVM::onActivate()
{
    ++m_activations;
    emit recorded();
}

bool FakeTopBarVM::onDeactivate()
{
    ++g_deactivations;
    return true;
}

int TestProbe::topBarDeactivations() const
{
    return g_deactivations;
}

FakeShellVM &FakeShellVM::shared()
{
    static FakeShellVM instance;
    return instance;
}

QString TestProbe::takeWarnings()
{
    const QString all = m_warnings.join(QLatin1Char('\n'));
    m_warnings.clear();
    return all;
}

class Setup : public QObject
{
    Q_OBJECT
public slots:
    void applicationAvailable()
    {
        // The resources live in a static library that nothing here references otherwise.
        Q_INIT_RESOURCE(calder_resources);
        qmlRegisterType<FakeScalingCalculator>("DisplayScalingFactorCalculator", 1, 0,
                                               "DisplayScalingFactorCalculator");
        qmlRegisterType<FakeShellWrapper>("ShellVMWrapper", 1, 0, "ShellVMWrapper");
        qmlRegisterType<FakeTopBarWrapper>("MainTopBarVMWrapper", 1, 0, "MainTopBarVMWrapper");
        qRegisterMetaType<FakeTopBarVM *>("FakeTopBarVM*");
        qRegisterMetaType<FakeShellVM *>("FakeShellVM*");
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        auto *probe = new TestProbe(engine);
        connect(engine, &QQmlEngine::warnings, probe, [probe](const QList<QQmlError> &errors) {
            for (const QQmlError &error : errors)
                probe->addWarning(error.toString());
        });
        engine->rootContext()->setContextProperty(QStringLiteral("testProbe"), probe);
        engine->rootContext()->setContextProperty(QStringLiteral("fakeShellVM"), &FakeShellVM::shared());
        engine->rootContext()->setContextProperty(QStringLiteral("testDataDir"),
                                                  QUrl::fromLocalFile(QStringLiteral(QUICK_TEST_SOURCE_DIR "/")));
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml_controls, Setup)

#include "tst_qml_controls.moc"
