// The dialog "编辑 PDF 内容": the current page's text and image objects, also those inside
// forms, with buttons to edit a text, replace an image's picture or delete an object.
#pragma once

#include <QDialog>
#include <vector>

#include "content/object_list.h"

class QLabel;
class QListWidget;
class QPushButton;

class ObjectListDialog : public QDialog {
 public:
  // Shows a scan already made of the current page.
  ObjectListDialog(QWidget* parent, PageObjectScan scan);

  // Empties the list and scans the page again (after every successful action).
  void Refresh();
  void EditSelected();
  void ReplaceSelected();
  void DeleteSelected();

  QLabel* summary() const { return summary_; }
  QListWidget* list() const { return list_; }
  QPushButton* editButton() const { return edit_; }
  QPushButton* replaceButton() const { return replace_; }
  QPushButton* deleteButton() const { return delete_; }
  const std::vector<ListedObject>& entries() const { return entries_; }

 private:
  void Show(PageObjectScan scan);
  const ListedObject* Selected() const;
  void UpdateButtons();
  // Commits a changed page and lists it again.
  void PageChanged(const std::u16string& doneClause);

  QLabel* summary_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* replace_ = nullptr;
  QPushButton* delete_ = nullptr;
  std::vector<ListedObject> entries_;
};

// "对象列表编辑...": clears the selections, scans the page and shows the dialog.
void OpenObjectList();
