<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>DesktopAlerts</name>
    <message>
        <source>%1 в общем чате</source>
        <translation>%1 in the public chat</translation>
    </message>
    <message>
        <source>%1 предлагает файлы</source>
        <translation>%1 offers files</translation>
    </message>
    <message numerus="yes">
        <source>%1: %n новых сообщений</source>
        <translation>
            <numerusform>%1: %n new message</numerusform>
            <numerusform>%1: %n new messages</numerusform>
        </translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>LogView</name>
    <message>
        <source>Копировать</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Выделить всё</source>
        <translation>Select all</translation>
    </message>
</context>
<context>
    <name>NickPrompt</name>
    <message>
        <source>Вход в чат</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>Введите Ник для входа в чат:</source>
        <translation>Type the nick to sign in with:</translation>
    </message>
</context>
<context>
    <name>NickRules</name>
    <message>
        <source>Такой ник другие участники чата прочтут неверно. Ник не может содержать сочетания &quot; - &quot;, &quot;: &quot;, &quot; --&gt;&quot; и переводы строки, а также кончаться на &quot;:&quot; или &quot; -&quot;.</source>
        <translation>Other users would read this nick wrongly. A nick cannot hold &quot; - &quot;, &quot;: &quot;, &quot; --&gt;&quot; or line breaks, nor end in &quot;:&quot; or &quot; -&quot;.</translation>
    </message>
    <message>
        <source>В нике есть знаки, которые чат не может передать: </source>
        <translation>The nick holds characters the chat cannot send: </translation>
    </message>
    <message>
        <source>. Используйте русские и латинские буквы, цифры и обычные знаки.</source>
        <translation>. Use Russian and Latin letters, digits and common signs.</translation>
    </message>
    <message>
        <source>Ник слишком длинный: в таком нике может быть не больше %1 знаков.</source>
        <translation>The nick is too long: it can hold at most %1 characters.</translation>
    </message>
</context>
<context>
    <name>SessionTexts</name>
    <message>
        <source>файла нет</source>
        <translation>the file is missing</translation>
    </message>
    <message>
        <source>файловая система доступна только для чтения</source>
        <translation>the file system is read-only</translation>
    </message>
    <message>
        <source>нет права записи</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>на диске нет места</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>Сообщение не отправлено: вместе с никами оно не помещается в один сетевой пакет (%1 байта). Сократите текст (лишних знаков: %2)</source>
        <translation>Message not sent: with the nicks it does not fit one network packet (%1 bytes). Shorten the text (characters too many: %2)</translation>
    </message>
    <message>
        <source>История сообщений не сохраняется: файл %1 нельзя записать (%2). Приватные сообщения будут показаны, но не запомнены</source>
        <translation>The message history is not being saved: the file %1 cannot be written (%2). Private messages will be shown but not kept</translation>
    </message>
</context>
<context>
    <name>ShellText</name>
    <message>
        <source>Время проведенное в программе: </source>
        <translation>Time spent in the program: </translation>
    </message>
    <message>
        <source> дн.  </source>
        <translation> d  </translation>
    </message>
    <message>
        <source> ч. </source>
        <translation> h </translation>
    </message>
    <message>
        <source> мин. </source>
        <translation> min </translation>
    </message>
    <message>
        <source> сек.</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Завершить работу программы </source>
        <translation>Quit </translation>
    </message>
    <message>
        <source>Пользователей в чате: </source>
        <translation>Users in the chat: </translation>
    </message>
    <message>
        <source>на диске нет места</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>нет права записи в файл или папку</source>
        <translation>no permission to write the file or folder</translation>
    </message>
    <message>
        <source>ошибка ввода-вывода %1</source>
        <translation>input/output error %1</translation>
    </message>
    <message>
        <source>Не удалось сохранить настройки в файл %1: %2. Настройки этого сеанса потеряны, прежний файл %1 не изменён</source>
        <translation>Could not save the settings to %1: %2. This session&apos;s settings are lost; the previous %1 is unchanged</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Выход...</source>
        <translation>Exit...</translation>
    </message>
    <message>
        <source>Очистить экран</source>
        <translation>Clear screen</translation>
    </message>
    <message>
        <source>Приват</source>
        <translation>Private</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>История сообщений</source>
        <translation>Message history</translation>
    </message>
    <message>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Сервис</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Справка</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Развернуть</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Сообщение</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Цвет шрифта</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>Цвет заднего фона</source>
        <translation>Background colour</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Введите текст сообщения и нажмите конпку &quot;Отправить&quot; (или &quot;CTRL + Enter&quot;)</source>
        <translation>Type the message and press &quot;Send&quot; (or &quot;CTRL + Enter&quot;)</translation>
    </message>
    <message>
        <source>Очистить экран?</source>
        <translation>Clear the screen?</translation>
    </message>
    <message>
        <source>Введите текст сообщения для отправки!</source>
        <translation>Type a message to send!</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Сеть не настроена. Корректная работа приложения невозможна!</source>
        <translation>The network is not set up. The program cannot work properly!</translation>
    </message>
</context>
<context>
    <name>TForm2</name>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Главные</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Стили</source>
        <translation>Styles</translation>
    </message>
    <message>
        <source>Цвета</source>
        <translation>Colours</translation>
    </message>
    <message>
        <source>Сеть</source>
        <translation>Network</translation>
    </message>
    <message>
        <source> сек.</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Регулировать прозрачность</source>
        <translation>Adjust transparency</translation>
    </message>
    <message>
        <source>Уровень прозрачности</source>
        <translation>Transparency level</translation>
    </message>
    <message>
        <source>Прозрачность</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>Обновлять каждые - </source>
        <translation>Refresh every - </translation>
    </message>
    <message>
        <source>Обновление списка пользователей</source>
        <translation>User list refresh</translation>
    </message>
    <message>
        <source>Показать время сообщения</source>
        <translation>Show message time</translation>
    </message>
    <message>
        <source>Показывать IP отправителя</source>
        <translation>Show sender&apos;s IP</translation>
    </message>
    <message>
        <source>Текст входящего сообщения</source>
        <translation>Incoming message text</translation>
    </message>
    <message>
        <source>Свернуто</source>
        <translation>Minimised</translation>
    </message>
    <message>
        <source>Нормально</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Главное окно при старте</source>
        <translation>Main window at start</translation>
    </message>
    <message>
        <source>Звуковой сигнал при получении сообщения</source>
        <translation>Sound on a new message</translation>
    </message>
    <message>
        <source>Разворачивать главное окно при получении сообщения</source>
        <translation>Restore the main window on a new message</translation>
    </message>
    <message>
        <source>Главное окно чата</source>
        <translation>Main chat window</translation>
    </message>
    <message>
        <source>Звуковой сигнал при получении приватного сообщения</source>
        <translation>Sound on a private message</translation>
    </message>
    <message>
        <source>Разворачивать окно привата при получении приватного сообщения</source>
        <translation>Restore the private window on a private message</translation>
    </message>
    <message>
        <source>Приват</source>
        <translation>Private</translation>
    </message>
    <message>
        <source>Быстрый вход в чат</source>
        <translation>Quick sign-in</translation>
    </message>
    <message>
        <source>Ник для входа</source>
        <translation>Nick to sign in with</translation>
    </message>
    <message>
        <source>Вход в чат</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>Добавить в автозагрузку</source>
        <translation>Start with the desktop</translation>
    </message>
    <message>
        <source>Дополнительные стили</source>
        <translation>More styles</translation>
    </message>
    <message>
        <source>Установка стилей</source>
        <translation>Installing styles</translation>
    </message>
    <message>
        <source>Игнорировать настройки цвета входящих сообщений</source>
        <translation>Ignore the colours of incoming messages</translation>
    </message>
    <message>
        <source>Заменять цвет входящих сообщений на цвет:</source>
        <translation>Show incoming messages in this colour:</translation>
    </message>
    <message>
        <source>Главное окно чата/приват</source>
        <translation>Main chat window / private</translation>
    </message>
    <message>
        <source>Использовать выбранные цвета для подсветки сообщений</source>
        <translation>Highlight messages with the chosen colours</translation>
    </message>
    <message>
        <source>Входящие:</source>
        <translation>Incoming:</translation>
    </message>
    <message>
        <source>Исходящие:</source>
        <translation>Outgoing:</translation>
    </message>
    <message>
        <source>История сообщений</source>
        <translation>Message history</translation>
    </message>
    <message>
        <source>Заменять цвет системных сообщений на цвет:</source>
        <translation>Show system messages in this colour:</translation>
    </message>
    <message>
        <source>Системные сообщения</source>
        <translation>System messages</translation>
    </message>
    <message>
        <source>Этот раздел настроек предназначен для опытных пользователей! Категорически не рекомендую изменять параметры этого раздела настроек если вы не уверены в том, что до конца понимаете значение параметров.</source>
        <translation>This section is meant for experienced users! Do not change these settings unless you are sure you fully understand what they mean.</translation>
    </message>
    <message>
        <source>Внимание!!!</source>
        <translation>Warning!!!</translation>
    </message>
    <message>
        <source>Изменить широковещательный IP адрес</source>
        <translation>Change the broadcast IP address</translation>
    </message>
    <message>
        <source>Широковещательный IP</source>
        <translation>Broadcast IP</translation>
    </message>
    <message>
        <source>Изменить порты</source>
        <translation>Change the ports</translation>
    </message>
    <message>
        <source>Общий чат (общие сообщения)</source>
        <translation>Public chat (public messages)</translation>
    </message>
    <message>
        <source>Приват (личные сообщения)</source>
        <translation>Private (personal messages)</translation>
    </message>
    <message>
        <source>Служебные сообщения</source>
        <translation>Service messages</translation>
    </message>
    <message>
        <source>Порты</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>Для применения измененных параметров этого раздела необходимо перезапустить программу.</source>
        <translation>Restart the program to apply the changes in this section.</translation>
    </message>
    <message>
        <source>Время обновления - %1 сек.</source>
        <translation>Refresh time - %1 s</translation>
    </message>
    <message>
        <source>Как сделать свой стиль оформления, рассказывает документация программы:</source>
        <translation>How to make a style of your own is told in the program&apos;s documentation:</translation>
    </message>
    <message>
        <source>Чтобы установить стиль оформления, положите файл стиля (файл с расширением *.sui) в папку стилей этой программы: &quot;%1&quot;.</source>
        <translation>To install a style, put the style file (a file with the *.sui extension) into this program&apos;s style folder: &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Широковещательный адрес задан вручную: </source>
        <translation>Broadcast address set by hand: </translation>
    </message>
    <message>
        <source>по имени компьютера</source>
        <translation>by the computer&apos;s name</translation>
    </message>
    <message>
        <source>интерфейс </source>
        <translation>interface </translation>
    </message>
    <message>
        <source>Адрес этого компьютера: </source>
        <translation>This computer&apos;s address: </translation>
    </message>
    <message>
        <source>)
Широковещательный адрес: </source>
        <translation>)
Broadcast address: </translation>
    </message>
    <message>
        <source>О приватных сообщениях
и обращениях по нику</source>
        <translation>Of private messages
and lines naming my nick</translation>
    </message>
    <message>
        <source>Уведомления</source>
        <translation>Notifications</translation>
    </message>
    <message>
        <source>Передача файлов (0 - выключена)</source>
        <translation>File transfer (0 - off)</translation>
    </message>
</context>
<context>
    <name>TForm3</name>
    <message>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>UDP чат для локальных сетей. Работает без серверной части, не требует настройки.</source>
        <translation>UDP chat for local networks. Works without a server, needs no setting up.</translation>
    </message>
    <message>
        <source>Темы:</source>
        <translation>Themes:</translation>
    </message>
</context>
<context>
    <name>TForm4</name>
    <message>
        <source>Передача файлов выключена в настройках</source>
        <translation>File transfer is switched off in the settings</translation>
    </message>
    <message>
        <source>Palavrix - приват</source>
        <translation>Palavrix - private</translation>
    </message>
    <message>
        <source>Получатель:</source>
        <translation>Recipient:</translation>
    </message>
    <message>
        <source>Введите текст сообщения и нажмите конпку &quot;Отправить&quot; (или &quot;CTRL + Enter&quot;)</source>
        <translation>Type the message and press &quot;Send&quot; (or &quot;CTRL + Enter&quot;)</translation>
    </message>
    <message>
        <source>История</source>
        <translation>History</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Получатель сообщения не выбран!</source>
        <translation>No recipient chosen!</translation>
    </message>
    <message>
        <source>Введите текст сообщения для отправки!</source>
        <translation>Type a message to send!</translation>
    </message>
    <message>
        <source>Очистить экран?</source>
        <translation>Clear the screen?</translation>
    </message>
    <message>
        <source>Выбери получателя...</source>
        <translation>Choose a recipient...</translation>
    </message>
    <message>
        <source>Отправить файл...</source>
        <translation>Send file...</translation>
    </message>
    <message>
        <source>Передача файлов выключена</source>
        <translation>File transfer is switched off</translation>
    </message>
    <message>
        <source>Получатель не выбран</source>
        <translation>No recipient chosen</translation>
    </message>
    <message>
        <source>%1 не может принять файлы: его копия программы старой версии или передача файлов в ней выключена</source>
        <translation>%1 cannot take files: their copy of the program is an older version or has file transfer switched off</translation>
    </message>
    <message>
        <source>Отправить файлы пользователю %1</source>
        <translation>Send files to %1</translation>
    </message>
    <message>
        <source>принимает файлы</source>
        <translation>takes files</translation>
    </message>
    <message>
        <source>не принимает файлы</source>
        <translation>takes no files</translation>
    </message>
    <message>
        <source>Отправить файлы</source>
        <translation>Send files</translation>
    </message>
    <message>
        <source>Куда сохранить файлы?</source>
        <translation>Where to save the files?</translation>
    </message>
    <message>
        <source>Выбери пользователя...</source>
        <translation>Choose a user...</translation>
    </message>
</context>
<context>
    <name>TForm5</name>
    <message>
        <source>Поиск текста</source>
        <translation>Find text</translation>
    </message>
    <message>
        <source>Текст для поиска</source>
        <translation>Text to find</translation>
    </message>
    <message>
        <source>Искать</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Направление поиска</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>Вниз</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>Вверх</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>Состояние:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Запрошеный текст найден...</source>
        <translation>Text found...</translation>
    </message>
    <message>
        <source>Поиск не дал результата...</source>
        <translation>Nothing found...</translation>
    </message>
</context>
<context>
    <name>TForm6</name>
    <message>
        <source>Просмотр записи</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Дата</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Отправитель</source>
        <translation>Sender</translation>
    </message>
    <message>
        <source>Получатель</source>
        <translation>Recipient</translation>
    </message>
    <message>
        <source>Текст сообщения</source>
        <translation>Message text</translation>
    </message>
</context>
<context>
    <name>THForm</name>
    <message>
        <source>Palavrix - история</source>
        <translation>Palavrix - history</translation>
    </message>
    <message>
        <source>Все сообщения</source>
        <translation>All messages</translation>
    </message>
    <message>
        <source>Входящие</source>
        <translation>Incoming</translation>
    </message>
    <message>
        <source>Исходящие</source>
        <translation>Outgoing</translation>
    </message>
    <message>
        <source>Поиск</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Сохранить...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>Сохранить сообщения вкладки (или выделенные) в текстовый файл или CSV</source>
        <translation>Save the tab&apos;s messages (or the selected ones) to a text or CSV file</translation>
    </message>
    <message>
        <source>Файл истории повреждён: часть сообщений не читается</source>
        <translation>The history file is damaged: some messages cannot be read</translation>
    </message>
    <message>
        <source>Файл истории повреждён, но все сообщения прочитаны</source>
        <translation>The history file is damaged, but every message was read</translation>
    </message>
    <message>
        <source>Файл истории повреждён: не читается сообщений: </source>
        <translation>The history file is damaged; messages that cannot be read: </translation>
    </message>
    <message>
        <source>Удалить выделенное?</source>
        <translation>Delete the selection?</translation>
    </message>
    <message>
        <source>История сообщений будет удалена безвозвратно. Продолжить?</source>
        <translation>The message history will be deleted for good. Go on?</translation>
    </message>
    <message>
        <source>Сохранить сообщения</source>
        <translation>Save messages</translation>
    </message>
    <message>
        <source>Текст (*.txt);;CSV (*.csv)</source>
        <translation>Text (*.txt);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Сохранение сообщений...</source>
        <translation>Saving messages...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Дата</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Время</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Отправитель</source>
        <translation>Sender</translation>
    </message>
    <message>
        <source>Получатель</source>
        <translation>Recipient</translation>
    </message>
    <message>
        <source>Сообщение</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>(запись повреждена)</source>
        <translation>(damaged record)</translation>
    </message>
    <message>
        <source>Сообщений: </source>
        <translation>Messages: </translation>
    </message>
    <message>
        <source>Дата,Время,Отправитель,Получатель,Текст</source>
        <translation>Date,Time,Sender,Recipient,Text</translation>
    </message>
    <message>
        <source>Не удалось сохранить файл &quot;%1&quot;: %2</source>
        <translation>Could not save the file &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>Transfer</name>
    <message>
        <source>Не удалось открыть порт %1 для приёма файлов: %2</source>
        <translation>Could not open port %1 to receive files: %2</translation>
    </message>
    <message>
        <source>Не удалось открыть файл %1</source>
        <translation>Could not open the file %1</translation>
    </message>
    <message>
        <source>Не выбрано ни одного файла</source>
        <translation>No file chosen</translation>
    </message>
    <message>
        <source>Не удалось отправить предложение: %1</source>
        <translation>Could not send the offer: %1</translation>
    </message>
    <message>
        <source>В папку %1 нельзя записать файлы</source>
        <translation>Files cannot be written to the folder %1</translation>
    </message>
    <message>
        <source>Отправитель не подключился</source>
        <translation>The sender did not connect</translation>
    </message>
    <message>
        <source>Вы отказались от файлов</source>
        <translation>You declined the files</translation>
    </message>
    <message>
        <source>Не удалось соединиться с получателем: %1</source>
        <translation>Could not connect to the recipient: %1</translation>
    </message>
    <message>
        <source>Файлы отправлены</source>
        <translation>Files sent</translation>
    </message>
    <message>
        <source>Файлы получены</source>
        <translation>Files received</translation>
    </message>
    <message>
        <source>Получатель отказался от файлов</source>
        <translation>The recipient declined the files</translation>
    </message>
    <message>
        <source>Передача отменена</source>
        <translation>Transfer cancelled</translation>
    </message>
    <message>
        <source>Передача отменена собеседником</source>
        <translation>Transfer cancelled by the other side</translation>
    </message>
    <message>
        <source>Получатель не ответил за %1 мин.</source>
        <translation>No answer from the recipient within %1 min.</translation>
    </message>
    <message>
        <source>Время ответа истекло</source>
        <translation>The offer expired unanswered</translation>
    </message>
    <message>
        <source>Файл %1 пришёл с ошибкой (контрольная сумма не совпала) и удалён</source>
        <translation>The file %1 arrived damaged (checksum mismatch) and was deleted</translation>
    </message>
    <message>
        <source>Недостаточно места на диске получателя: файл %1 удалён</source>
        <translation>Not enough space on the recipient&apos;s disk: the file %1 was deleted</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1 у получателя: файл удалён</source>
        <translation>The recipient could not write the file %1: the file was deleted</translation>
    </message>
    <message>
        <source>Не удалось прочитать файл %1 у отправителя: передача прервана</source>
        <translation>The sender could not read the file %1: the transfer stopped</translation>
    </message>
    <message>
        <source>Нарушен порядок передачи: файл %1 удалён</source>
        <translation>The transfer went out of order: the file %1 was deleted</translation>
    </message>
    <message>
        <source>Соединение прервано: файл %1 не доставлен</source>
        <translation>The connection broke: the file %1 was not delivered</translation>
    </message>
    <message>
        <source>Соединение прервано: недополученный файл %1 удалён</source>
        <translation>The connection broke: the partly received file %1 was deleted</translation>
    </message>
    <message>
        <source>Получатель долго не отвечал: файл %1 не доставлен</source>
        <translation>The recipient did not answer for too long: the file %1 was not delivered</translation>
    </message>
    <message>
        <source>Отправитель долго не присылал данных: недополученный файл %1 удалён</source>
        <translation>The sender sent no data for too long: the partly received file %1 was deleted</translation>
    </message>
    <message>
        <source>Передача остановилась: нет данных, ждём связи</source>
        <translation>The transfer stalled: no data, waiting for the connection</translation>
    </message>
    <message>
        <source>Передача возобновилась</source>
        <translation>The transfer resumed</translation>
    </message>
    <message>
        <source>Файл %1 (%2) %3</source>
        <translation>File %1 (%2) %3</translation>
    </message>
    <message>
        <source>отправлен</source>
        <translation>sent</translation>
    </message>
    <message>
        <source>получен</source>
        <translation>received</translation>
    </message>
    <message>
        <source>Слишком много файлов в одном предложении</source>
        <translation>Too many files in one offer</translation>
    </message>
</context>
<context>
    <name>TransferFigures</name>
    <message>
        <source> байт</source>
        <translation> bytes</translation>
    </message>
    <message>
        <source>КБ</source>
        <translation>KB</translation>
    </message>
    <message>
        <source>МБ</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>ГБ</source>
        <translation>GB</translation>
    </message>
    <message>
        <source>ТБ</source>
        <translation>TB</translation>
    </message>
    <message>
        <source> из </source>
        <translation> of </translation>
    </message>
    <message>
        <source>/с</source>
        <translation>/s</translation>
    </message>
    <message>
        <source>, осталось </source>
        <translation>, left </translation>
    </message>
</context>
<context>
    <name>TransferPanel</name>
    <message>
        <source>%1 предлагает файлы: %2</source>
        <translation>%1 offers files: %2</translation>
    </message>
    <message>
        <source>Принять файлы?</source>
        <translation>Accept the files?</translation>
    </message>
    <message>
        <source>Принять...</source>
        <translation>Accept...</translation>
    </message>
    <message>
        <source>Отклонить</source>
        <translation>Decline</translation>
    </message>
    <message>
        <source>Файлы для %1: %2</source>
        <translation>Files for %1: %2</translation>
    </message>
    <message>
        <source>Ждём ответа получателя</source>
        <translation>Waiting for the recipient&apos;s answer</translation>
    </message>
    <message>
        <source>Отменить</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Ждём соединения</source>
        <translation>Waiting for the connection</translation>
    </message>
    <message>
        <source>Убрать</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Убрать завершённые</source>
        <translation>Clear finished</translation>
    </message>
    <message>
        <source>Предложения файлов от %1 отозваны, не дождавшись ответа: %2</source>
        <translation>Offers of files from %1 withdrawn before an answer: %2</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Предупреждение!</source>
        <translation>Warning!</translation>
    </message>
    <message>
        <source>Приложение Palavrix уже запущено...</source>
        <translation>Palavrix is already running...</translation>
    </message>
</context>
<context>
    <name>FileCommands</name>
    <message>
        <source>%1 предлагает файлы: %2 (%3)</source>
        <translation>%1 offers files: %2 (%3)</translation>
    </message>
    <message>
        <source>Нет передач</source>
        <translation>No transfers</translation>
    </message>
    <message>
        <source>Использование: /send NICK PATH</source>
        <translation>Usage: /send NICK PATH</translation>
    </message>
    <message>
        <source>Пользователь %1 не найден</source>
        <translation>User %1 not found</translation>
    </message>
    <message>
        <source>%1 не принимает файлы</source>
        <translation>%1 does not take files</translation>
    </message>
    <message>
        <source>Файл %1 предложен: %2</source>
        <translation>File %1 offered to %2</translation>
    </message>
</context>
<context>
    <name>PeerCommandLine</name>
    <message>
        <source>Ник, под которым войти в чат.</source>
        <translation>The nick to join with.</translation>
    </message>
    <message>
        <source>Адрес этого компьютера (по умолчанию найденный).</source>
        <translation>This host&apos;s address (default: found).</translation>
    </message>
    <message>
        <source>Широковещательный адрес (по умолчанию по собственному адресу).</source>
        <translation>The broadcast address (default: from the own address).</translation>
    </message>
    <message>
        <source>Общий, системный и приватный порты.</source>
        <translation>Public, system and private port.</translation>
    </message>
    <message>
        <source>Хранить приватную историю в папке FOLDER (в ней должен быть tmp.dat).</source>
        <translation>Keep the private history in FOLDER (it must hold tmp.dat).</translation>
    </message>
    <message>
        <source>Начинать строки с их времени.</source>
        <translation>Prefix lines with their time.</translation>
    </message>
    <message>
        <source>Начинать строки с адреса отправителя.</source>
        <translation>Prefix lines with the sender&apos;s address.</translation>
    </message>
    <message>
        <source>Номер цвета своих строк, от 0 до 19.</source>
        <translation>The colour number of the own lines, 0 to 19.</translation>
    </message>
    <message>
        <source>Принимать предложенные файлы в папку FOLDER (иначе отказываться от них); папка проверяется при запуске.</source>
        <translation>Take the files offered to this peer into FOLDER (else decline them); the folder is checked at start.</translation>
    </message>
    <message>
        <source>Порт для файлов (UDP и TCP); 0 выключает передачу файлов.</source>
        <translation>The port for files (UDP and TCP); 0 switches file transfer off.</translation>
    </message>
    <message>
        <source>Не открывать ни одного порта: строки уходят в чат, но ничего не приходит (ни сообщений, ни списка пользователей, ни файлов). Так можно запустить второго участника на компьютере, где порты заняты или недоступны.</source>
        <translation>Open no port: lines go out to the chat but nothing arrives (no messages, no user list, no files). This runs a second peer on a host whose ports are taken or out of reach.</translation>
    </message>
    <message>
        <source>Участник чата без окна: строки стандартного ввода уходят общими сообщениями, &quot;/msg NICK текст&quot; - приватным, &quot;/users&quot; выводит услышанных пользователей, &quot;/send NICK PATH&quot; предлагает файл, &quot;/cancel&quot; отменяет передачи; всё пришедшее выводится по строке. Ошибки идут в стандартный поток ошибок. Коды выхода: 0 - выход по концу ввода или сигналу, 1 - сеть не может отправлять, 2 - ошибка в параметрах, 3 - порт нельзя открыть, 4 - папку для файлов нельзя использовать.</source>
        <translation>A chat peer without a window: standard input lines go out as public messages, &quot;/msg NICK text&quot; as private ones, &quot;/users&quot; lists the users heard, &quot;/send NICK PATH&quot; offers a file, &quot;/cancel&quot; cancels the transfers; what arrives is printed one line each. Errors go to standard error. Exit codes: 0 left at the end of input or on a signal, 1 the network cannot send, 2 a bad option or value, 3 a port cannot be opened, 4 the folder for files cannot be used.</translation>
    </message>
</context>
<context>
    <name>PeerTexts</name>
    <message>
        <source>нужен параметр --nick</source>
        <translation>--nick is required</translation>
    </message>
    <message>
        <source>--ports принимает три номера портов, например 555,556,557</source>
        <translation>--ports takes three port numbers, such as 555,556,557</translation>
    </message>
    <message>
        <source>--color принимает число от 0 до 19</source>
        <translation>--color takes a number from 0 to 19</translation>
    </message>
    <message>
        <source>--file-port принимает номер порта или 0, чтобы не передавать файлы</source>
        <translation>--file-port takes a port number, or 0 for no file transfer</translation>
    </message>
    <message>
        <source>неизвестный параметр %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>лишний аргумент %1</source>
        <translation>unexpected argument %1</translation>
    </message>
    <message>
        <source>подробнее: palavrix-peer --help</source>
        <translation>see: palavrix-peer --help</translation>
    </message>
    <message>
        <source>не удалось открыть порт %1: он занят или нет права на порты ниже 1024</source>
        <translation>cannot listen on port %1: it is in use or ports below 1024 are not allowed</translation>
    </message>
    <message>
        <source>не удалось открыть порты %1: они заняты или нет права на порты ниже 1024</source>
        <translation>cannot listen on ports %1: they are in use or ports below 1024 are not allowed</translation>
    </message>
    <message>
        <source>--send-only запускает без приёма, --file-port 0 - без передачи файлов</source>
        <translation>--send-only runs without listening, --file-port 0 without file transfer</translation>
    </message>
    <message>
        <source>папки %1 нет</source>
        <translation>no folder %1</translation>
    </message>
    <message>
        <source>%1 - не папка</source>
        <translation>%1 is not a folder</translation>
    </message>
    <message>
        <source>в папку %1 нельзя записывать</source>
        <translation>folder %1 is not writable</translation>
    </message>
    <message>
        <source>не удаётся отправлять: %1</source>
        <translation>cannot send: %1</translation>
    </message>
    <message>
        <source>история не сохраняется: %1: %2</source>
        <translation>history not saved: %1: %2</translation>
    </message>
    <message>
        <source>сообщение не отправлено: оно не помещается в один сетевой пакет (лишних байтов: %1)</source>
        <translation>message not sent: it does not fit in one datagram (%1 bytes over)</translation>
    </message>
    <message>
        <source>использование: /msg NICK текст</source>
        <translation>usage: /msg NICK text</translation>
    </message>
    <message>
        <source>пользователь &quot;%1&quot; ещё не слышен</source>
        <translation>no user &quot;%1&quot; heard yet</translation>
    </message>
    <message>
        <source>передача файлов выключена</source>
        <translation>file transfer is off</translation>
    </message>
</context>
</TS>
