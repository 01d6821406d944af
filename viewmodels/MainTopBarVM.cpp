#include "viewmodels/MainTopBarVM.h"

#include "core/AssignAndNotify.h"
#include "core/IUIService.h"
#include "core/MessageBus.h"
#include "device/LumenCommunicationService.h"
#include "device/MixerModels.h"
#include "viewmodels/ViewModelTexts.h"

#include <utility>

namespace {
struct Tab
{
    QString name;
    QString url;
};

Tab tabOf(Page page)
{
    using namespace ViewModelTexts;
    switch (page) {
    case Page::AudioRouting: return {MainTopBarVM::tr("Audio Routing"), kAudioRoutingView};
    case Page::Ducker: return {MainTopBarVM::tr("Ducker"), kDuckerView};
    case Page::Volume: return {MainTopBarVM::tr("Volume"), kVolumeView};
    case Page::BufferSettings: return {MainTopBarVM::tr("Buffer Settings"), kBufferSettingsView};
    case Page::Info: return {MainTopBarVM::tr("Info"), kInfoView};
    case Page::Status: break;
    }
    return {MainTopBarVM::tr("Status"), kStatusView};
}
} // namespace

MainTopBarVM::MainTopBarVM(QSharedPointer<IUIService> ui, QSharedPointer<LumenCommunicationService> service,
                           QSharedPointer<MessageBus> bus, QObject *parent)
    : QObject(parent)
    , m_ui(std::move(ui))
    , m_service(std::move(service))
    , m_bus(std::move(bus))
    , m_menuModel(new QStringListModel())
{
    m_service->setPnPEventListener(this);
    QStringList names;
    // A device's own pages only while it is open.
    if (m_service->deviceCount() != 1 || !m_service->deviceHandle()) {
        const Tab status = tabOf(Page::Status);
        names << status.name;
        m_pageUrls << status.url;
    } else {
        buildMenuForProduct(names);
    }
    m_menuModel->setStringList(names);
}

MainTopBarVM::~MainTopBarVM()
{
    // The service keeps a plain pointer to its PnP listener.
    m_service->clearPnPEventListener(this);
}

void MainTopBarVM::buildMenuForProduct(QStringList &names)
{
    m_pageUrls.clear();
    for (const Page page : MixerModels::forDevice(m_service->vendorId(), m_service->productId()).pages) {
        const Tab tab = tabOf(page);
        names << tab.name;
        m_pageUrls << tab.url;
    }
}

void MainTopBarVM::rebuildMenu()
{
    // Several mixers and none picked yet, or a failed connection: no device pages.
    if (!m_service->deviceHandle()) {
        showStatusOnlyMenu();
        return;
    }
    QStringList names;
    buildMenuForProduct(names);
    m_menuModel->setStringList(names);
    emit menuListChanged();
}

void MainTopBarVM::showStatusOnlyMenu()
{
    // The URL list stays: its first entry is always the status page.
    m_menuModel->setStringList(QStringList{tabOf(Page::Status).name});
    emit menuListChanged();
}

void MainTopBarVM::setCurrentPageIndex(int index)
{
    assignAndNotify(this, m_currentPageIndex, index, &MainTopBarVM::currentPageIndexChanged);
}

void MainTopBarVM::menuSelected(int index)
{
    if (index < 0 || index >= m_pageUrls.size())
        return;
    setCurrentPageIndex(index);
    m_ui->showMasterView(m_pageUrls.at(index));
}

void MainTopBarVM::closeApplication()
{
    // Only hides: the process goes on in the tray.
    m_ui->hideMainWindow();
}

void MainTopBarVM::onActivate()
{
    m_bus->subscribe(this, &MainTopBarVM::onConnectedChanged, ViewModelTexts::kMsgConnected);
    m_ui->showMasterView(ViewModelTexts::kStatusView);
}

bool MainTopBarVM::onDeactivate()
{
    m_bus->unsubscribe(this, &MainTopBarVM::onConnectedChanged, ViewModelTexts::kMsgConnected);
    return true;
}

void MainTopBarVM::onConnectedChanged(QVariant value)
{
    if (value.toBool()) {
        rebuildMenu();
        return;
    }
    showStatusOnlyMenu();
    m_ui->showMasterView(m_pageUrls.value(0, ViewModelTexts::kStatusView));
    setCurrentPageIndex(0);
}

void MainTopBarVM::onDeviceArrived() { handlePlugEvent(false); }

void MainTopBarVM::onDeviceRemoved() { handlePlugEvent(true); }

void MainTopBarVM::handlePlugEvent(bool removed)
{
    m_bus->publish(true, ViewModelTexts::kMsgResetDropDown);
    if (m_service->deviceCount() == 1) {
        m_service->setDeviceIndex(0);
        const QStringList names = m_service->deviceNames();
        if (names.isEmpty())
            return;
        m_service->setDeviceName(names.first());
        m_service->openDevice();
        // A failed open (reported to the pages) shows no device's tabs.
        if (m_service->deviceHandle())
            rebuildMenu();
        else
            showStatusOnlyMenu();
    } else {
        showStatusOnlyMenu();
        if (removed)
            m_bus->publish(true, ViewModelTexts::kMsgResetState);
    }
    m_ui->showMasterView(m_pageUrls.value(0, ViewModelTexts::kStatusView));
    setCurrentPageIndex(0);
}
