<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en">
<context>
    <name>Parcella</name>
    <message numerus="yes">
        <source>%n downloads</source>
        <translation>
            <numerusform>%n download</numerusform>
            <numerusform>%n downloads</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n views</source>
        <translation>
            <numerusform>%n view</numerusform>
            <numerusform>%n views</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hidden items</source>
        <translation>
            <numerusform>%n hidden item</numerusform>
            <numerusform>%n hidden items</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n symbolic links</source>
        <translation>
            <numerusform>%n symbolic link</numerusform>
            <numerusform>%n symbolic links</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n named pipes or other special files</source>
        <translation>
            <numerusform>%n named pipe or other special file</numerusform>
            <numerusform>%n named pipes or other special files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files whose name is not UTF-8 or holds a line break (rename to send)</source>
        <translation>
            <numerusform>%n file whose name is not UTF-8 or holds a line break (rename to send)</numerusform>
            <numerusform>%n files whose name is not UTF-8 or holds a line break (rename to send)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>expires in %n days</source>
        <translation>
            <numerusform>expires in %n day</numerusform>
            <numerusform>expires in %n days</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Parcella::PopoverPresenter</name>
    <message numerus="yes">
        <source>%n files</source>
        <translation>
            <numerusform>%n file</numerusform>
            <numerusform>%n files</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SendFormView</name>
    <message numerus="yes">
        <source>%n days</source>
        <translation>
            <numerusform>%n day</numerusform>
            <numerusform>%n days</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SignedOutView</name>
    <message numerus="yes">
        <source>%n files will upload once you’re signed in.</source>
        <translation>
            <numerusform>%n file will upload once you’re signed in.</numerusform>
            <numerusform>%n files will upload once you’re signed in.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>TransferRow</name>
    <message numerus="yes">
        <source>%n days</source>
        <translation>
            <numerusform>%n day</numerusform>
            <numerusform>%n days</numerusform>
        </translation>
    </message>
</context>
</TS>
