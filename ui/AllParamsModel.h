#pragma once
// The Qt item model of the whole-drive table: a flat list of the rows the logic
// shows (headings, parameters, sub-fields indented), asked for cell by cell, so a
// table of thousands of parameters costs only the rows on screen.

#include <QAbstractItemModel>

class CAllParamsLogic;

class CAllParamsModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  explicit CAllParamsModel(const CAllParamsLogic& logic, QObject* parent = nullptr);

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The logic shows other rows now, or new values in the same rows.
  void Reset();
  void Refresh();

 private:
  const CAllParamsLogic& m_logic;
};
