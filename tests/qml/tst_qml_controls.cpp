// Qt Quick Test runner for the controls, with a probe that collects the engine's warnings.
#include "TestProbe.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QtQuickTest>

class Setup : public QObject
{
    Q_OBJECT
public slots:
    // The resources live in a static library that nothing here references otherwise.
    void applicationAvailable() { Q_INIT_RESOURCE(calder_resources); }

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
