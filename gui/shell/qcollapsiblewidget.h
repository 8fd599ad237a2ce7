#pragma once
// The left dock's list of systems: one top-level row per system showing its
// box, with the system's content panel as the row's only child.
#include <QTreeWidget>

class QCustomBox;

class QCollapsibleWidget : public QTreeWidget
{
    Q_OBJECT
public:
    explicit QCollapsibleWidget(QWidget* parent = nullptr);

    // Appends a system (its box, and its content panel when given).
    void addSystem(QCustomBox* box, QWidget* content = nullptr);
    // Puts a system at that position (the end when out of range).
    void insertSystem(int position, QCustomBox* box, QWidget* content = nullptr);
    // Removes the system at that position.  Its box and panel are scheduled
    // for deletion (their owner may delete them at once instead).
    void removeSystem(int index);
    int systemCount() const { return topLevelItemCount(); }

public slots:
    void expandItem(int index);
};
