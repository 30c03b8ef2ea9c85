<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>UpdateDialog</name>
    <message>
        <source>更新失败,文件不存在或拒绝访问!</source>
        <translation>Update failed: the file does not exist or cannot be read!</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>同步时间成功</source>
        <translation>Clock synchronised</translation>
    </message>
</context>
</TS>
