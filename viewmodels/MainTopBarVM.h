#pragma once
#include "core/IActivityAware.h"
#include "device/IPnPEventListener.h"

#include <QObject>
#include <QSharedPointer>
#include <QStringList>
#include <QStringListModel>
#include <QVariant>

class IUIService;
class LumenCommunicationService;
class MessageBus;

// The top bar: which tabs exist (by the number of mixers and the open one's product id),
// which one is current, and what plugging, unplugging and the pages' "Connected" messages do
// to them. One instance for the whole run, made by the top bar's QML wrapper.
class MainTopBarVM : public QObject, public IActivityAware, public IPnPEventListener
{
    Q_OBJECT
    Q_PROPERTY(QStringListModel *menuList READ menuList NOTIFY menuListChanged)
    Q_PROPERTY(int currentPageIndex READ currentPageIndex WRITE setCurrentPageIndex NOTIFY currentPageIndexChanged)
public:
    MainTopBarVM(QSharedPointer<IUIService> ui, QSharedPointer<LumenCommunicationService> service,
                 QSharedPointer<MessageBus> bus, QObject *parent = nullptr);
    ~MainTopBarVM() override;

    QStringListModel *menuList() const { return m_menuModel.data(); }
    int currentPageIndex() const { return m_currentPageIndex; }
    void setCurrentPageIndex(int index);
    // Page URLs parallel to the full tab set (may be longer than the shown menu).
    QStringList pageUrls() const { return m_pageUrls; }

    Q_INVOKABLE void menuSelected(int index);
    Q_INVOKABLE void closeApplication();
    Q_INVOKABLE void onActivate() override;
    Q_INVOKABLE bool onDeactivate() override;

    // "Connected" from the page view models.
    void onConnectedChanged(QVariant value);

    // IPnPEventListener, called by the communication service.
    void onDeviceArrived() override;
    void onDeviceRemoved() override;

signals:
    void menuListChanged();
    void currentPageIndexChanged();

private:
    void buildMenuForProduct(QStringList &names);
    void rebuildMenu();
    void showStatusOnlyMenu();
    // Shared tail of the plug handlers; `removed` adds the "ResetState" message.
    void handlePlugEvent(bool removed);

    QSharedPointer<IUIService> m_ui;
    QSharedPointer<LumenCommunicationService> m_service;
    QSharedPointer<MessageBus> m_bus;
    QSharedPointer<QStringListModel> m_menuModel;
    QStringList m_pageUrls;
    int m_currentPageIndex = 0;
};
