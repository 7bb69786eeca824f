#include "download/mainform.h"

#include "common/logging.h"
#include "common/number.h"
#include "common/textfile.h"
#include "download/folderlists.h"
#include "download/refusalwords.h"
#include "download/updown.h"
#include "mascot/kuokuoform.h"
#include "mascot/serihu.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/forms.h"
#include "platform/inet.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace kuokuo {

namespace {
const QString UrlHint = QStringLiteral("URL(ex.: http://www.example.com/gazou/)");
const QString UrlDesignText = QStringLiteral("http://www.");

QLineEdit *textBox(const QString &text, const QString &tip, const QString &name, QWidget *parent)
{
    auto *control = new QLineEdit(text, parent);
    control->setObjectName(name);
    control->setToolTip(tip);
    return control;
}

// Hidden frames and buttons keep their places: the window has a fixed layout.
void keepPlaceWhenHidden(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}
} // namespace

// One transfer run of the window. A close asked for during the run waits until it unwinds.
class MainForm::Run
{
public:
    explicit Run(MainForm &form)
        : m_form(form)
    {
        m_form.m_running = true;
    }
    ~Run()
    {
        m_form.m_running = false;
        if (m_form.m_closeRequested && !Forms::ending())
            m_form.close();
    }
    Run(const Run &) = delete;
    Run &operator=(const Run &) = delete;

private:
    MainForm &m_form;
};

MainForm::MainForm(const QString &downloadFolder, QWidget *parent)
    : QWidget(parent)
    , m_Inet(new Inet(this))
    , m_engine(*m_Inet, *this)
{
    setObjectName(QStringLiteral("MainForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("画像ファイルの取得"));

    // The frames keep their natural height; the folder lists take the rest.
    auto *window = new QVBoxLayout(this);
    window->addWidget(buildPageFrame());
    window->addWidget(buildSeriesFrame());
    window->addLayout(buildFolderLists(downloadFolder), 1);
    window->addWidget(buildStatusBar());
    for (QGroupBox *frame : {m_Frame2, m_Frame1})
        frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    for (QWidget *hideable : {static_cast<QWidget *>(m_Frame1), static_cast<QWidget *>(m_Frame2),
                              static_cast<QWidget *>(m_CGet)})
        keepPlaceWhenHidden(hideable);

    connect(m_CGet, &QPushButton::clicked, this, &MainForm::CGet_Click);
    connect(m_TURL, &QLineEdit::returnPressed, this, &MainForm::CGet_Click);
    connect(m_CGet2, &QPushButton::clicked, this, &MainForm::CGet2_Click);
    connect(m_TURL2, &QLineEdit::returnPressed, this, &MainForm::CGet2_Click);
    connect(m_CAbort, &QPushButton::clicked, this, &MainForm::CAbort_Click);
    connect(m_CAbort1, &QPushButton::clicked, this, &MainForm::CAbort1_Click);
    connect(m_CClose, &QPushButton::clicked, this, &MainForm::close);
    connect(m_CClose1, &QPushButton::clicked, this, &MainForm::close);
    connect(m_Drive, &DriveListBox::Change, this, &MainForm::Drive_Change);
    connect(m_Dir, &DirListBox::Change, this, &MainForm::Dir_Change);
    connect(m_Inet, &Inet::StateChanged, this, &MainForm::Inet_StateChanged);
    m_TFile->installEventFilter(this);

    // No resize handling: the window keeps the size of its design.
    setFixedSize(QSize(600, 620).expandedTo(sizeHint()));
}

// The upper frame: the images of a page.
QGroupBox *MainForm::buildPageFrame()
{
    m_Frame2 = new QGroupBox(QStringLiteral("HTMLからの画像の抽出にゃあ"), this);
    m_Frame2->setObjectName(QStringLiteral("Frame2"));
    m_TURL2 = textBox(UrlDesignText, QStringLiteral("画像を読み込むURLですにゃあ"),
                      QStringLiteral("TURL2"), m_Frame2);
    m_CGet2 = namedButton(QStringLiteral("CGet2"), QStringLiteral("読込"), m_Frame2);
    m_CAbort1 = namedButton(QStringLiteral("CAbort1"), QStringLiteral("中止"), m_Frame2);
    m_CClose1 = namedButton(QStringLiteral("CClose1"), QStringLiteral("閉じる"), m_Frame2);
    auto *upper = new QGridLayout(m_Frame2);
    upper->addWidget(namedLabel(QStringLiteral("Label1"), UrlHint, m_Frame2), 0, 0, 1, 4);
    upper->addWidget(m_TURL2, 1, 0);
    upper->addWidget(m_CGet2, 1, 1);
    upper->addWidget(m_CAbort1, 1, 2);
    upper->addWidget(m_CClose1, 1, 3);
    upper->setColumnStretch(0, 1);
    return m_Frame2;
}

// The lower frame: a numbered series.
QGroupBox *MainForm::buildSeriesFrame()
{
    m_Frame1 = new QGroupBox(QStringLiteral("連番画像ファイルの取得にゃあ"), this);
    m_Frame1->setObjectName(QStringLiteral("Frame1"));
    m_TURL = textBox(UrlDesignText, QStringLiteral("ダウンロードするURLですにゃあ"),
                     QStringLiteral("TURL"), m_Frame1);
    m_TFile = textBox(QString(),
                      QStringLiteral("ダウンロードする連番ファイルの名前をいれますにゃあ。"
                                     "ダブルクリックすると自動的に？マークの付いたファイル名に"
                                     "しますにゃあ"),
                      QStringLiteral("TFile"), m_Frame1);
    m_TInit = textBox(QStringLiteral("1"), QStringLiteral("連番ファイルの初期値ですにゃあ"),
                      QStringLiteral("TInit"), m_Frame1);
    m_TLast = textBox(QStringLiteral("100"), QStringLiteral("連番ファイルの最終値ですにゃあ"),
                      QStringLiteral("TLast"), m_Frame1);
    m_UpDown1 = new UpDown(m_TInit, 0, 32767, m_Frame1);
    m_UpDown1->setObjectName(QStringLiteral("UpDown1"));
    m_UpDown2 = new UpDown(m_TLast, 0, 32767, m_Frame1);
    m_UpDown2->setObjectName(QStringLiteral("UpDown2"));
    m_CGet = namedButton(QStringLiteral("CGet"), QStringLiteral("読込"), m_Frame1);
    m_CAbort = namedButton(QStringLiteral("CAbort"), QStringLiteral("中止"), m_Frame1);
    m_CClose = namedButton(QStringLiteral("CClose"), QStringLiteral("閉じる"), m_Frame1);

    // A number box with its spin control beside it.
    auto numberBox = [](QLineEdit *box, UpDown *upDown) {
        box->setFixedWidth(64);
        auto *row = new QHBoxLayout;
        row->setSpacing(0);
        row->addWidget(box);
        row->addWidget(upDown);
        row->addStretch();
        return row;
    };
    auto *lower = new QGridLayout(m_Frame1);
    lower->addWidget(namedLabel(QStringLiteral("Label1"), UrlHint, m_Frame1), 0, 0, 1, 3);
    lower->addWidget(m_TURL, 1, 0, 1, 3);
    lower->addWidget(namedLabel(QStringLiteral("Label2"),
                                QStringLiteral("ファイル名(ex.: jpggif???.jpg)"), m_Frame1),
                     2, 0);
    lower->addWidget(namedLabel(QStringLiteral("Label3"), QStringLiteral("???の初期値"), m_Frame1),
                     2, 1);
    lower->addWidget(namedLabel(QStringLiteral("Label4"), QStringLiteral("???の終り値"), m_Frame1),
                     2, 2);
    lower->addWidget(m_TFile, 3, 0);
    lower->addLayout(numberBox(m_TInit, m_UpDown1), 3, 1);
    lower->addLayout(numberBox(m_TLast, m_UpDown2), 3, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_CGet);
    buttons->addWidget(m_CAbort);
    buttons->addWidget(m_CClose);
    lower->addLayout(buttons, 4, 0, 1, 3);
    lower->setColumnStretch(0, 1);
    return m_Frame1;
}

// The download folder: drive and folders on the left, the folder's files on the right, starting
// at `folder`.
QLayout *MainForm::buildFolderLists(const QString &folder)
{
    m_Drive = new DriveListBox(this);
    m_Drive->setObjectName(QStringLiteral("Drive"));
    m_Drive->setToolTip(QStringLiteral("ドライブですにゃあ"));
    m_Dir = new DirListBox(this);
    m_Dir->setObjectName(QStringLiteral("Dir"));
    m_Dir->setToolTip(QStringLiteral("ダウンロードする場所を選びますにゃあ"));
    m_File = new FileListBox(this);
    m_File->setObjectName(QStringLiteral("File"));
    m_File->setToolTip(QStringLiteral("フォルダの中にあるファイル名ですにゃあ"));
    m_Drive->showDriveOf(folder);
    if (!m_Dir->setPath(folder) || !m_File->setPath(m_Dir->path()))
        qCWarning(lcUi) << "the download folder cannot be listed:" << folder;

    auto *folders = new QVBoxLayout;
    folders->addWidget(m_Drive);
    folders->addWidget(m_Dir);
    auto *folderArea = new QHBoxLayout;
    folderArea->addLayout(folders, 1);
    folderArea->addWidget(m_File, 1);
    return folderArea;
}

// The status line, with how far a series or an extraction has come beside it.
QStatusBar *MainForm::buildStatusBar()
{
    m_SB = new QStatusBar(this);
    m_SB->setObjectName(QStringLiteral("SB"));
    m_SB->setSizeGripEnabled(false);
    m_ProgressBar1 = new QProgressBar(m_SB);
    m_ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_ProgressBar1->setRange(0, 1);
    m_ProgressBar1->setValue(0);
    // Narrow, so that the status texts keep the line; a text longer still is whole in the tip.
    m_ProgressBar1->setFixedWidth(80);
    m_SB->addPermanentWidget(m_ProgressBar1);
    connect(m_SB, &QStatusBar::messageChanged, m_SB, &QWidget::setToolTip);
    return m_SB;
}

void MainForm::openPage(const QString &address)
{
    m_TURL2->setText(address);
    m_TURL->setText(urlfolder(address));
}

MainForm::~MainForm() = default;

std::optional<QString> MainForm::stateText(int state)
{
    static const char16_t *const texts[] = {
        u"状態についての報告はありませんにゃあ。",
        u"指定されたホスト コンピュータの IP アドレスを調べていますにゃあ。",
        u"指定されたホスト コンピュータの IP アドレスを見つけましたにゃあ。",
        u"ホスト コンピュータとの接続処理を行っていますにゃあ。",
        u"ホスト コンピュータと正常に接続しましたにゃあ。",
        u"ホスト コンピュータに要求を送信していますにゃあ。",
        u"要求を正常に送信しましたにゃあ。",
        u"ホスト コンピュータからの応答を受信していますにゃあ。",
        u"ホスト コンピュータからの応答を正常に受信しましたにゃあ。おわりにゃあ",
        u"ホスト コンピュータとの接続を解除していますにゃあ。",
        u"ホスト コンピュータとの接続を正常に解除しましたにゃあ。",
        u"コンピュータとの通信中にエラーが発生しましたにゃあ。",
        u"要求処理が完了し、すべてのデータが受信されましたにゃあ。",
    };
    if (state < 0 || state >= int(std::size(texts)))
        return std::nullopt;
    return QString::fromUtf16(texts[state]);
}

// The numbered-range download.
void MainForm::CGet_Click()
{
    if (m_running)
        return;
    const Run run(*this);
    m_Frame2->setVisible(false);
    const QString pattern = m_TFile->text();
    if (pattern.isEmpty() || !pattern.contains(QLatin1Char('?'))) {
        speak(Line::NoPlaceholder);
        return;
    }
    const RennbannField field = rennbannfield(pattern);
    chuushi = false;
    const std::optional<qint16> last = toInt16(m_TLast->text());
    const std::optional<qint16> n = toInt16(m_TInit->text());
    if (!last || !n)
        return;
    m_engine.numberedRun(pattern, field, *n, *last);
}

// The images of a page.
void MainForm::CGet2_Click()
{
    if (m_running)
        return;
    const Run run(*this);
    m_Frame1->setVisible(false);
    m_refused.clear();
    const DownloadEngine::ExtractionEnd end = m_engine.extract(m_TURL2->text(), true);
    // The end says which images were not saved, the first by name.
    if (end == DownloadEngine::ExtractionEnd::Finished && !m_refused.isEmpty())
        status(m_SB->currentMessage() + QStringLiteral("（") + refusedWords(m_refused) +
               QStringLiteral("）"));
}

void MainForm::CAbort_Click()
{
    m_CGet->setVisible(true);
    m_Frame2->setVisible(true);
    chuushi = true;
    m_engine.endWait();
}

void MainForm::CAbort1_Click()
{
    m_CGet->setVisible(true);
    m_Frame1->setVisible(true);
    chuushi = true;
    m_engine.endWait();
}

void MainForm::TFile_DblClick()
{
    const std::optional<QString> pattern = rennbannpattern(m_TFile->text());
    if (!pattern) {
        speak(Line::NoNumberedName);
        return;
    }
    m_TFile->setText(*pattern);
}

void MainForm::Drive_Change()
{
    if (!m_Dir->setPath(m_Drive->drive()) || !m_File->setPath(m_Dir->path()))
        speak(Line::DriveChangeFailed);
}

void MainForm::Dir_Change()
{
    m_File->setPath(m_Dir->path());
}

void MainForm::Inet_StateChanged(qint16 State)
{
    if (const std::optional<QString> text = stateText(State))
        m_SB->showMessage(*text);
}

void MainForm::rennbannkakuninn(const QString &filenamerenn, const QUrl &imageAddress)
{
    m_engine.probe(filenamerenn, imageAddress);
}

bool MainForm::probeWanted(const QString &filenamerenn)
{
    dialogs().beep();
    const QString prompt =
        filenamerenn + QStringLiteral("が連番のファイルの可能性がありますにゃあ！") +
        QLatin1Char('\r') + QStringLiteral("隠れたファイルを探してみますかにゃあ？");
    return dialogs().askYesNo(this, QStringLiteral("連番ファイルを探してみるかにゃあ？"), prompt) !=
           Dialogs::Answer::No;
}

// The window's part of the probe (rennbannget): the frames, the boxes and the start number.
std::optional<qint16> MainForm::probeStart(const QString &FileName, const QString &filenamemoto,
                                           const QString &folder)
{
    m_Frame1->setVisible(true);
    m_Frame2->setVisible(false);
    m_CGet->setVisible(false);
    m_TURL->setText(folder);
    m_TFile->setText(FileName);

    const QString title =
        QStringLiteral("元ファイル") + filenamemoto + QStringLiteral("の隠された連番を探してみる");
    const QString crlf = QStringLiteral("\r\n");
    QString answer = trimSpaces(dialogs().inputBox(
        this,
        FileName + crlf +
            QStringLiteral("の ? の部分に入れる1000以下の数字の初期値を入力してにゃあ"),
        title, QStringLiteral("1")));
    while (!DownloadEngine::isProbeStart(answer)) {
        if (ending())
            return std::nullopt;
        answer = trimSpaces(dialogs().inputBox(
            this,
            QStringLiteral("入力されたデータが1000以上かまたは数字じゃありませんでしたにゃあ") +
                crlf + QStringLiteral("もう一度数字を入力にゃあ") + crlf + FileName + crlf +
                QStringLiteral("の?の部分に入れる数字の初期値を入力してにゃあ"),
            title, QStringLiteral("1")));
    }
    m_TInit->setText(answer);
    m_TLast->setText(QString::number(DownloadEngine::ProbeLast));
    chuushi = false;
    return toInt16(answer);
}

void MainForm::probeEnded(DownloadEngine::RunEnd end)
{
    if (end == DownloadEngine::RunEnd::PassedLast) {
        m_Frame1->setVisible(true);
        m_Frame2->setVisible(true);
        m_CGet->setVisible(true);
    }
}

void MainForm::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        // The run still uses this window: stop its transfer, let it unwind, close afterwards.
        m_closeRequested = true;
        chuushi = true;
        hide();
        m_Inet->abort();
        m_engine.endWait();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void MainForm::showEvent(QShowEvent *event)
{
    m_closeRequested = false;
    QWidget::showEvent(event);
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_TFile && event->type() == QEvent::MouseButtonDblClick)
        TFile_DblClick();
    return QWidget::eventFilter(watched, event);
}

QString MainForm::folderAddress()
{
    return m_TURL->text();
}

QString MainForm::downloadFolder()
{
    return m_Dir->path();
}

void MainForm::numberedSaved(qint16, const QString &name, qint64)
{
    m_TFile->setText(name);
    m_File->Refresh();
}

void MainForm::numberedMissing(qint16, const Refusal &why)
{
    m_TFile->setText(why.name);
    status(refusalWords(why));
}

void MainForm::imageSaved(int, const QString &, qint64)
{
    m_File->Refresh();
}

void MainForm::imageRefused(int, const Refusal &why)
{
    m_refused.append(why);
    status(refusalWords(why));
}

void MainForm::failed(const Refusal &why)
{
    status(refusalWords(why));
    // A name that would land outside the folder is the cat's to refuse.
    if (why.kind == Refusal::Kind::BadName)
        kuokuo::speak(Line::NoNumberedName, refusalWords(why));
}

void MainForm::waiting(const Refusal &why, int seconds)
{
    status(waitingWords(why, seconds));
}

void MainForm::progress(int done, int total)
{
    m_ProgressBar1->setRange(0, std::max(total, 1));
    m_ProgressBar1->setValue(done);
}

bool MainForm::aborted()
{
    return chuushi;
}

bool MainForm::ending()
{
    return m_closeRequested || Forms::ending();
}

void MainForm::speak(qint16 line)
{
    kuokuo::speak(line);
}

void MainForm::status(const QString &text)
{
    m_SB->showMessage(text);
}

} // namespace kuokuo
