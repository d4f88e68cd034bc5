#pragma once
// What the desktop face shows of a transfer list: the tree's rows, the list's
// commands and the details panel. Called on the main thread once the list is
// consistent, except the structural pairs, which bracket the change. A list
// without a view (a headless run) keeps its state all the same.
//
// Rows change often (thousands of progress reports a second): the face is
// expected to coalesce RowChanged and AllRowsChanged into one repaint a frame.

#include <cstdint>
#include <string>
#include <string_view>

namespace kp {

class TPluginHolder;
class TTransferBase;
class TTransferGroup;

class ITransferListView {
 public:
  virtual ~ITransferListView() = default;

  // A node is about to become child number `row` of the group (null: the
  // root is about to be made, as the list's top row), then it is there.
  virtual void NodeInserting(const TTransferGroup* parent, std::int32_t row) = 0;
  virtual void NodeInserted() = 0;
  // The node and its subtree are about to be destroyed, then they are gone.
  virtual void NodeRemoving(const TTransferBase& node) = 0;
  virtual void NodeRemoved() = 0;
  // The root row is to be shown expanded.
  virtual void ExpandRoot() = 0;

  // A row's cells follow its state again (or a group's texts changed).
  virtual void RowChanged(const TTransferBase& node) = 0;
  // Every transfer row may have changed.
  virtual void AllRowsChanged() = 0;
  // The commands offered for the selection may have changed.
  virtual void CommandsChanged() = 0;
  // New speed samples were appended to the groups' histories.
  virtual void SpeedsSampled() = 0;

  // The question before the transfers of a selected group are removed
  // (downloads only); true for Yes.
  virtual bool ConfirmGroupRemoval() = 0;

  // A plugin adds a command for the selected transfer (it does so while it
  // handles the selection; the entries last until the commands are rebuilt).
  virtual void AddPluginButton(TPluginHolder* owner, std::int32_t command, std::string_view description,
                               const std::string& iconFile) = 0;
  // Under parentMenu (an entry this returned before, or 0 for the top level);
  // the new entry's handle, or 0 for a parentMenu this list did not hand out.
  virtual std::uint32_t AddPluginMenuEntry(TPluginHolder* owner, std::int32_t command,
                                           std::uint32_t parentMenu, std::string_view description,
                                           const std::string& iconFile) = 0;
};

}  // namespace kp
