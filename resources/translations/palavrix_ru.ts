<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="ru">
<!-- The texts are Russian already: this file only gives the plural forms of the texts with a count. -->
<context>
    <name>DesktopAlerts</name>
    <message numerus="yes">
        <source>%1: %n новых сообщений</source>
        <translation>
            <numerusform>%1: %n новое сообщение</numerusform>
            <numerusform>%1: %n новых сообщения</numerusform>
            <numerusform>%1: %n новых сообщений</numerusform>
        </translation>
    </message>
</context>
</TS>
