#pragma once

#include <QColor>
#include <QWidget>

class HistoryModel;
class ChatOptions;
class HistoryStore;
class HistoryTable;
class QFontMetrics;
class QLabel;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableView;

// The history browser: the stored private messages in three tabs (all, incoming, outgoing).
// It owns the store's connection and table view; the private window writes through it.
class THForm final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THForm)
public:
    // Shows `store`, its rows in the colours `options` choose.
    THForm(HistoryStore &store, const ChatOptions &options, QWidget *parent = nullptr);
    ~THForm() override;

    QTabWidget *suiPageControl1 = nullptr;
    QWidget *suiTabSheet1 = nullptr; // "Все сообщения"
    QWidget *suiTabSheet2 = nullptr; // "Входящие"
    QWidget *suiTabSheet3 = nullptr; // "Исходящие"
    QTableView *DBGrid1 = nullptr, *DBGrid2 = nullptr, *DBGrid3 = nullptr;
    QPushButton *suiButton1 = nullptr; // "Поиск"
    QPushButton *suiButton2 = nullptr; // "Удалить"
    QPushButton *suiButton3 = nullptr; // "Очистить"
    QPushButton *suiButton4 = nullptr; // "Сохранить...": the tab or its selection to a file
    QPushButton *Button1 = nullptr;    // "Ok"
    QStatusBar *StatusBar1 = nullptr;
    QLabel *StatusPanels[2] = {}; // the count text; what damage to the store hides

    // The store: connection, table view and files. DataSource1 feeds the three grids.
    HistoryStore *Store = nullptr;
    HistoryModel *DataSource1 = nullptr;
    HistoryTable &Table() const;

    // Store operations; each sets the count text.
    void OpenHistory(const QString &nick);
    void AppendHistoryRecord(const QString &sender, const QString &receiver, const QString &text,
                             bool incoming);
    void ResetHistory();

    // Repaints the three grids (the settings window's history colours changed).
    void RepaintGrids();

    // The grid of the active tab.
    QTableView *ActiveGrid() const;
    // The text colour of a row: white when highlighted, else by direction, from the settings
    // window when its CheckBox10 is checked, else red (incoming) and navy (outgoing).
    QColor RowTextColor(qint32 incoming, bool highlighted) const;

    // Handlers.
    void FormShow();
    void TabSheetShow(int index);
    void suiPageControl1Change();
    void FormResize();
    void DBGridDblClick();
    void DBGridCtrlDelete(QTableView *grid);
    void suiButton1Click();
    void suiButton2Click();
    void suiButton3Click();
    void suiButton4Click();
    void Button1Click();

    // How much wider than its planned 62 pixels the date column must be for the widest date
    // text in a font; 0 when it fits.
    static int DateColumnWidening(const QFontMetrics &metrics);

    // What damaged pages of the store hide: `unreadable` records (-1: how many is not known).
    static QString DamageText(int unreadable);
    // The status text of the record count: "Сообщений: " and the count.
    static QString CountText(qint64 count);

    // "Сообщений: " and the count of the view under its current filter.
    void SetCountText();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView *makeGrid(const QString &name, QWidget *sheet);
    void followTable();
    void gridCurrentMoved(QTableView *grid, int row);
    void centreOnMainWindow();
    void applyMinimumSize();

    const ChatOptions &m_options;
    int m_syncing = 0;
    int m_dateWidening = 0;
    bool m_placed = false;
};

extern THForm *HForm;
