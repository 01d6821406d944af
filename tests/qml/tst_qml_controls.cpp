// Qt Quick Test runner for the controls; testProbe.warnings collects the engine's warnings so
// that each QML test can insist there were none.
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QQmlPropertyMap>
#include <QtQuickTest>

class Setup : public QObject
{
    Q_OBJECT
public slots:
    // The resources live in a static library that nothing here references otherwise.
    void applicationAvailable() { Q_INIT_RESOURCE(calder_resources); }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        auto *probe = new QQmlPropertyMap(engine);
        probe->insert(QStringLiteral("warnings"), QString());
        connect(engine, &QQmlEngine::warnings, probe, [probe](const QList<QQmlError> &errors) {
            for (const QQmlError &error : errors)
                probe->insert(QStringLiteral("warnings"), (*probe)["warnings"].toString() + error.toString() + '\n');
        });
        engine->rootContext()->setContextProperty(QStringLiteral("testProbe"), probe);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml_controls, Setup)

#include "tst_qml_controls.moc"
