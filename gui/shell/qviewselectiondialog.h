#pragma once
// What the two view dialogs share: a "Channels" tab with a tree of items
// that are shown (enabled, checked, bold) or hidden (disabled, unchecked,
// normal), a "Parameters" tab with one toggle button per parameter above a
// preview table whose columns can be dragged into order, the validity
// check of OK and the write-back of the choices into the device tree.
// The configuring dialog of one system and the custom view dialog differ
// in the depth of their tree, the flags they write and what they refresh.
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

class MainWindow;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class ZEVAHVNode;

class QViewSelectionDialog : public QDialog
{
    Q_OBJECT
public:
    static const char* const kShownParameterStyle;
    static const char* const kHiddenParameterStyle;
    static const char* const kNoChannelText;
    static const char* const kNoParameterText;
    static const char* const kNothingText;

    QTabWidget* tabs() const { return m_tabs; }
    QTreeWidget* channelTree() const { return m_tree; }
    QTableWidget* previewTable() const { return m_preview; }
    QDialogButtonBox* buttonBox() const { return m_buttons; }
    QList<QPushButton*> parameterButtons() const { return m_parameterButtons; }
    QPushButton* parameterButton(const QString& name) const;
    // Logical column of the preview that carries this parameter, or -1.
    int previewColumn(const QString& name) const;
    bool isPreviewColumnShown(int column) const;

    // The tree item of a node, or null.
    QTreeWidgetItem* itemFor(const ZEVAHVNode* node) const;
    static ZEVAHVNode* nodeOf(const QTreeWidgetItem* item);
    // Shown = enabled, checked and bold.
    static bool isItemShown(const QTreeWidgetItem* item);

    // At least one shown channel whose board (and system) is shown too.
    bool channelsValid() const;
    // At least one preview column that is not hidden.
    bool parametersValid() const;
    // The message OK would show, empty when the choice can be applied.
    QString selectionProblem() const;

public slots:
    // A click on a tree item: a hidden item is shown with everything below
    // it and everything above it; a shown item is hidden with everything
    // below it.
    void changeItemVisibility(QTreeWidgetItem* item);
    // A click on a parameter button: hides or shows its preview column.
    void changeVisibilityInPreview();
    void clickedOkButton();

protected:
    QViewSelectionDialog(MainWindow* mainWindow, QWidget* parent, const QString& buttonObjectName);

    // Builds the common form; the subclasses fill the tree and the
    // parameters afterwards.
    void buildForm(const QString& title, const QString& icon);
    QTreeWidgetItem* addItem(QTreeWidgetItem* parent, ZEVAHVNode* node, const QString& icon,
                             int textColumn, bool shown);
    static void setItemShown(QTreeWidgetItem* item, bool shown);
    // One button and one preview column per name, in that order; sample
    // rows show the first channels' values.
    void fillParameters(const QStringList& names, const QStringList& hiddenNames,
                        const QVector<ZEVAHVNode*>& sampleChannels);
    void setParameterShown(QPushButton* button, bool shown);
    // The visual position of each parameter's preview column.
    int previewPosition(const QString& name) const;

    // Writes the choices into the tree and refreshes the tables.
    virtual void applySelection() = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;

    MainWindow* m_mainWindow;
    QGridLayout* m_buttonGrid = nullptr;
    QWidget* m_parametersPage = nullptr;

private:
    void setSubtreeShown(QTreeWidgetItem* item, bool shown);
    bool hasShownChannel(const QTreeWidgetItem* item) const;

    QString m_buttonObjectName;
    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_tree = nullptr;
    QTableWidget* m_preview = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QList<QPushButton*> m_parameterButtons;
};

// The distinct channel parameter names of these channels: ordered by the
// column position stored on the parameters (the per-system or the custom
// view one), names without a stored position after them in the order first
// met.  hiddenNames receives the names whose first parameter is hidden.
QStringList orderedParameterNames(const QVector<ZEVAHVNode*>& channels, bool customView,
                                  QStringList* hiddenNames);
