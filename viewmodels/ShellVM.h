#pragma once
#include <QObject>
#include <QString>

// Holds the URL of the page the shell's Loader shows; UIService is the one way to change it.
class ShellVM : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        QString selectedMasterView READ selectedMasterView WRITE setSelectedMasterView NOTIFY selectedMasterViewChanged)
public:
    explicit ShellVM(QObject *parent = nullptr);
    ~ShellVM() override;

    QString selectedMasterView() const { return m_selectedMasterView; }
    void setSelectedMasterView(const QString &url);

    Q_INVOKABLE void closePopup();

signals:
    void selectedMasterViewChanged(QString selectedMasterView);

private:
    QString m_selectedMasterView;
};
