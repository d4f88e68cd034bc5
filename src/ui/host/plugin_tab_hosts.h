#pragma once
// Pages that each host one plugin window, as the Application API's section tabs
// and the Setup API's settings pages are. A page's handle is the address of its
// record in low memory; every handle a plugin passes is looked up first, and an
// unknown one finds nothing.

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;

namespace kp {

class TPluginTabHosts {
 public:
  // Told of a page just before it is deleted (the page is still whole).
  explicit TPluginTabHosts(std::function<void(QWidget* page)> beforeDelete = {})
      : beforeDelete_(std::move(beforeDelete)) {}
  TPluginTabHosts(const TPluginTabHosts&) = delete;
  TPluginTabHosts& operator=(const TPluginTabHosts&) = delete;
  // Deletes every page left, taken out of the list first: what a page's
  // destruction calls back into then finds no tab.
  ~TPluginTabHosts();

  // A new page, handed to place (which puts it among its tabs) before the
  // plugin's window moves into it; its handle.
  std::uint32_t Add(const std::function<void(QWidget* page)>& place, std::uint32_t window);
  // The page of the handle; none for an unknown handle or a page gone.
  [[nodiscard]] QWidget* PageOf(std::uint32_t handle) const noexcept;
  // The page hosts another window. The old window's close handler may remove
  // this very tab: the panel guards itself, and the record is not touched after.
  void Rehost(std::uint32_t handle, std::uint32_t window);
  // The page goes with the plugin's window hosted in it; the tab is out of the
  // list before, so whatever the window's destruction calls finds it unknown.
  void Remove(std::uint32_t handle);
  // Before the plugins stop: every page hands its plugin's window back. A
  // window's close handler may remove tabs, so each is looked up again.
  void GiveBackWindows();

 private:
  struct THost;
  [[nodiscard]] THost* Find(std::uint32_t handle) const noexcept;
  void Destroy(THost* host);

  std::function<void(QWidget*)> beforeDelete_;
  std::vector<THost*> hosts_;  // in low memory: their addresses are the handles
};

}  // namespace kp
