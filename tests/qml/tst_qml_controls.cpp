// Qt Quick Test runner for the controls and the frame, with the fakes of FakeFrame.h in place
// of the frame's wrappers and the scaling calculator.
#include "FakeFrame.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QtQml>
#include <QtQuickTest>

int FakeTopBarVM::deactivations = 0;
double FakeScalingCalculator::nextScale = 1.0;

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
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml_controls, Setup)

#include "tst_qml_controls.moc"
