#include "ui/host/plugin_tab_hosts.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

#include "core/platform/low_memory_heap.h"
#include "ui/host/plugin_panel.h"

namespace kp {

struct TPluginTabHosts::THost {
  QPointer<QWidget> page;
  QPointer<TPluginPanel> panel;
};

TPluginTabHosts::~TPluginTabHosts() {
  std::vector<THost*> hosts;
  hosts.swap(hosts_);
  for (THost* host : hosts) Destroy(host);
}

TPluginTabHosts::THost* TPluginTabHosts::Find(std::uint32_t handle) const noexcept {
  return FindByHandle(hosts_, handle);
}

void TPluginTabHosts::Destroy(THost* host) {
  const QPointer<QWidget> page = host->page;
  LowDelete(host);
  if (page && beforeDelete_) beforeDelete_(page.data());
  delete page.data();
}

std::uint32_t TPluginTabHosts::Add(const std::function<void(QWidget* page)>& place, std::uint32_t window) {
  auto* page = new QWidget();
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* panel = new TPluginPanel();
  layout->addWidget(panel);
  place(page);
  panel->SetHostedWindow(window);
  THost* host = LowNew<THost>();
  host->page = page;
  host->panel = panel;
  hosts_.push_back(host);
  return LowAddress(host);
}

QWidget* TPluginTabHosts::PageOf(std::uint32_t handle) const noexcept {
  const THost* host = Find(handle);
  return host ? host->page.data() : nullptr;
}

void TPluginTabHosts::Rehost(std::uint32_t handle, std::uint32_t window) {
  if (THost* host = Find(handle); host && host->panel) host->panel->SetHostedWindow(window);
}

void TPluginTabHosts::Remove(std::uint32_t handle) {
  THost* host = Find(handle);
  if (!host) return;
  std::erase(hosts_, host);
  Destroy(host);
}

void TPluginTabHosts::GiveBackWindows() {
  std::vector<std::uint32_t> handles;
  for (const THost* host : hosts_) handles.push_back(LowAddress(host));
  for (const std::uint32_t handle : handles) {
    if (THost* host = Find(handle); host && host->panel) host->panel->GiveBackHostedWindow();
  }
}

}  // namespace kp
