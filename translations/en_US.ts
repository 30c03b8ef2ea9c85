<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DDbServer</name>
    <message>
        <source>解析文件失败,文件不存在或拒绝访问!</source>
        <translation>Cannot read the file: it does not exist or access is denied.</translation>
    </message>
    <message>
        <source>解析文件失败,打开文件失败,请检查文件类型!</source>
        <translation>Cannot read the file: it could not be opened. Check the file type.</translation>
    </message>
    <message>
        <source>解析文件失败,文件操作失败!</source>
        <translation>Cannot read the file: file operation failed.</translation>
    </message>
    <message>
        <source>解析文件失败,无法获取文件内容!</source>
        <translation>Cannot read the file: its contents could not be read.</translation>
    </message>
    <message>
        <source>解析文件失败,文件校验失败!</source>
        <translation>Cannot read the file: checksum mismatch.</translation>
    </message>
    <message>
        <source>解析文件失败,文件过大!</source>
        <translation>Failed to parse the file: the file is too large.</translation>
    </message>
</context>
<context>
    <name>DDialogInputSN</name>
    <message>
        <source>请输入序列号</source>
        <translation>Enter the serial number</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>SN输入有误</source>
        <translation>Invalid serial number</translation>
    </message>
</context>
<context>
    <name>DeviceLink</name>
    <message>
        <source>打开串口失败: %1</source>
        <translation>Cannot open the serial port: %1</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>Cannot open the serial port</translation>
    </message>
    <message>
        <source>发送命令超时</source>
        <translation>Timed out sending the command</translation>
    </message>
    <message>
        <source>接受数据超时</source>
        <translation>Timed out waiting for data</translation>
    </message>
    <message>
        <source>发送命令失败</source>
        <translation>Failed to send the command</translation>
    </message>
    <message>
        <source>接收数据超时</source>
        <translation>Timed out waiting for data</translation>
    </message>
    <message>
        <source>CRC校验错误</source>
        <translation>CRC check failed</translation>
    </message>
    <message>
        <source>串口连接已断开</source>
        <translation>The serial connection was lost</translation>
    </message>
    <message>
        <source>设备重复应答</source>
        <translation>The device answered more than once</translation>
    </message>
    <message>
        <source>未定义的错误</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>DeviceTypeMgr</name>
    <message>
        <source>获取设备列表失败,请重试!</source>
        <translation>Failed to get the device list. Please try again.</translation>
    </message>
    <message>
        <source>未设置设备列表地址!</source>
        <translation>No catalogue address is set.</translation>
    </message>
    <message>
        <source>设备列表地址无效,请输入 http 或 https 地址!</source>
        <translation>Invalid catalogue address. Please enter an http or https address.</translation>
    </message>
</context>
<context>
    <name>DownloadThread</name>
    <message>
        <source>下载失败,打开文件失败: %1</source>
        <translation>Download failed: cannot open file %1</translation>
    </message>
    <message>
        <source>下载异常: %1</source>
        <translation>Download error: %1</translation>
    </message>
    <message>
        <source>下载失败,打开链接失败!</source>
        <translation>Download failed: cannot open the link.</translation>
    </message>
    <message>
        <source>下载异常: 未找到该文件或下载失败</source>
        <translation>Download error: file not found or download failed</translation>
    </message>
    <message>
        <source>下载异常: 文件过大(超过%1 MB)</source>
        <translation>Download error: the file is too large (over %1 MB)</translation>
    </message>
    <message>
        <source>下载异常: 服务器在%1秒内没有发送数据</source>
        <translation>Download error: the server sent no data for %1 s</translation>
    </message>
</context>
<context>
    <name>ExchangeThread</name>
    <message>
        <source>正在刷新: 已收到%1项</source>
        <translation>Refreshing: %1 items received</translation>
    </message>
    <message>
        <source>第%1行,共%2行: %3</source>
        <translation>row %1 of %2: %3</translation>
    </message>
    <message>
        <source>第%1行,共%2行: 写完本行后停止</source>
        <translation>row %1 of %2: stopping after this row</translation>
    </message>
    <message>
        <source>共%1行</source>
        <translation>%1 rows</translation>
    </message>
    <message>
        <source>正在同步时间</source>
        <translation>Synchronising the clock</translation>
    </message>
    <message>
        <source>正在写入SN</source>
        <translation>Writing the SN</translation>
    </message>
    <message>
        <source>写入配置已停止: 已写入%1行,共%2行</source>
        <translation>Writing stopped: %1 of %2 rows written</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>写完当前行后停止写入</source>
        <translation>Stop writing after the current row</translation>
    </message>
    <message>
        <source>请等待当前操作结束</source>
        <translation>Please wait until the current operation has finished</translation>
    </message>
    <message>
        <source>收到当前项后停止读取</source>
        <translation>Stop reading after the current item</translation>
    </message>
    <message>
        <source>正在读取设备配置: 已收到%1项</source>
        <translation>Reading the instrument: %1 items received</translation>
    </message>
    <message>
        <source>正在核对 %1/%2</source>
        <translation>Checking %1/%2</translation>
    </message>
    <message>
        <source>已写入%1行,核对已停止</source>
        <translation>%1 rows written, check stopped</translation>
    </message>
</context>
<context>
    <name>HistoryData</name>
    <message>
        <source>历史数据</source>
        <translation>History Data</translation>
    </message>
    <message>
        <source>起始日期:</source>
        <translation>Start date:</translation>
    </message>
    <message>
        <source>结束日期:</source>
        <translation>End date:</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>导出PDF</source>
        <translation>Export PDF</translation>
    </message>
    <message>
        <source>起始日期应该小于或等于结束日期</source>
        <translation>The start date must not be later than the end date</translation>
    </message>
    <message>
        <source>导出历史数据</source>
        <translation>Export History Data</translation>
    </message>
    <message>
        <source>导出配置</source>
        <translation>Export Config</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source> - 正在停止查询...</source>
        <translation> - stopping the query...</translation>
    </message>
    <message>
        <source> - 正在导出...</source>
        <translation> - exporting...</translation>
    </message>
    <message>
        <source>打开文件失败: %1</source>
        <translation>Cannot open file: %1</translation>
    </message>
    <message>
        <source>导出数据失败，数据格式错误</source>
        <translation>Export failed: invalid data format</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>表格</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>图表</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>LinkSettings</name>
    <message>
        <source>(无)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>地址 %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>加密</source>
        <translation>encrypted</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>多台设备</source>
        <translation>Instruments</translation>
    </message>
    <message>
        <source>设备的文字无法表示值中的字符“%1”(%2),不能发送</source>
        <translation>The instrument's text cannot hold the character “%1” (%2) of the value; it cannot be sent</translation>
    </message>
    <message>
        <source>值中含有控制字符 %1,不能发送</source>
        <translation>The value contains the control character %1 and cannot be sent</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>toolBar</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>通讯设置</source>
        <translation>Connection Setup</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>导入配置</source>
        <translation>Import Config</translation>
    </message>
    <message>
        <source>导出配置</source>
        <translation>Export Config</translation>
    </message>
    <message>
        <source>写入配置</source>
        <translation>Write Config</translation>
    </message>
    <message>
        <source>同步时间</source>
        <translation>Sync Time</translation>
    </message>
    <message>
        <source>历史数据</source>
        <translation>History Data</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>Update Firmware</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>繁體中文</source>
        <translation>繁體中文</translation>
    </message>
    <message>
        <source>设备监听</source>
        <translation>Device Monitor</translation>
    </message>
    <message>
        <source>写入SN</source>
        <translation>Write SN</translation>
    </message>
    <message>
        <source>准备就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>正在写入配置......</source>
        <translation>Writing configuration...</translation>
    </message>
    <message>
        <source>提交</source>
        <translation>Submit</translation>
    </message>
    <message>
        <source>硬件返回数据校验错误</source>
        <translation>Reply from the device failed the check</translation>
    </message>
    <message>
        <source>写入的值过长,最多%1字节</source>
        <translation>Value too long, at most %1 bytes</translation>
    </message>
    <message>
        <source>写入配置成功</source>
        <translation>Configuration written</translation>
    </message>
    <message>
        <source>写入配置失败,该项不支持修改</source>
        <translation>Write failed: this item cannot be changed</translation>
    </message>
    <message>
        <source>写入错误,连接设备失败</source>
        <translation>Write error: cannot connect to the device</translation>
    </message>
    <message>
        <source>写入配置失败: %1</source>
        <translation>Write failed: %1</translation>
    </message>
    <message>
        <source>没有应答,该值可能已写入,请刷新核对</source>
        <translation>No answer: the value may have been written; refresh to check</translation>
    </message>
    <message>
        <source>写入配置完成,%1项不支持修改</source>
        <translation>Configuration written; %1 items cannot be changed</translation>
    </message>
    <message>
        <source>打开文件失败: %1</source>
        <translation>Cannot open file: %1</translation>
    </message>
    <message>
        <source>正在导出配置......</source>
        <translation>Exporting configuration...</translation>
    </message>
    <message>
        <source>写入文件失败: %1</source>
        <translation>Cannot write file: %1</translation>
    </message>
    <message>
        <source>导出配置成功</source>
        <translation>Configuration exported</translation>
    </message>
    <message>
        <source>正在导入配置......</source>
        <translation>Importing configuration...</translation>
    </message>
    <message>
        <source>文件解析错误</source>
        <translation>Cannot parse the file</translation>
    </message>
    <message>
        <source>导入配置成功</source>
        <translation>Configuration imported</translation>
    </message>
    <message>
        <source>同步时间失败</source>
        <translation>Time sync failed</translation>
    </message>
    <message>
        <source>同步时间成功</source>
        <translation>Time synchronised</translation>
    </message>
    <message>
        <source>写入SN失败,连接设备失败,请检查通讯设置</source>
        <translation>Writing SN failed: cannot connect to the device. Check the connection setup.</translation>
    </message>
    <message>
        <source>写入SN失败, %1</source>
        <translation>Writing SN failed, %1</translation>
    </message>
    <message>
        <source>写入SN失败</source>
        <translation>Writing SN failed</translation>
    </message>
    <message>
        <source>写入SN失败, 设备返回错误: %1</source>
        <translation>Writing SN failed, device returned error: %1</translation>
    </message>
    <message>
        <source>写入SN成功</source>
        <translation>SN written</translation>
    </message>
    <message>
        <source>导出配置失败: %1</source>
        <translation>Exporting the configuration failed: %1</translation>
    </message>
    <message>
        <source>文件编码错误: 第%1行不是UTF-8、GB2312或Latin-1文本</source>
        <translation>Encoding error: line %1 is not UTF-8, GB2312 or Latin-1 text</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>Restore backup</translation>
    </message>
    <message>
        <source>没有要写入的项</source>
        <translation>Nothing to write: the instrument already holds these values</translation>
    </message>
    <message>
        <source>打开备份文件夹</source>
        <translation>Open backup folder</translation>
    </message>
    <message>
        <source>列表读自另一连接: %1</source>
        <translation>list read over another connection: %1</translation>
    </message>
    <message>
        <source>通讯设置已更改,列表中的配置项读自之前的连接</source>
        <translation>Communication settings changed: the items in the list were read over the previous connection</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>Information</translation>
    </message>
</context>
<context>
    <name>ModifyDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Edit Item</translation>
    </message>
    <message>
        <source>提交</source>
        <translation>Submit</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>执行命令</source>
        <translation>Run Command</translation>
    </message>
    <message>
        <source>执行命令“%1”?</source>
        <translation>Run the command “%1”?</translation>
    </message>
    <message>
        <source>设备收到后会立即执行此命令。</source>
        <translation>The instrument carries out the command as soon as it receives it.</translation>
    </message>
    <message>
        <source>执行</source>
        <translation>Run</translation>
    </message>
</context>
<context>
    <name>MonitorDialog</name>
    <message>
        <source>设备监听</source>
        <translation>Device Monitor</translation>
    </message>
    <message>
        <source>原始数据</source>
        <translation>Raw data</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>原始数据 + 十六进制</source>
        <translation>Raw data + hex</translation>
    </message>
    <message>
        <source>调试信息</source>
        <translation>Debug output</translation>
    </message>
    <message>
        <source>开始监听</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止监听</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source> - 正在停止监听...</source>
        <translation> - stopping the monitor...</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存监听数据</source>
        <translation>Save Monitor Data</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>无法写入 %1: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>Log to file</translation>
    </message>
</context>
<context>
    <name>MonitorThread</name>
    <message>
        <source>监听调试</source>
        <translation>Monitor debug</translation>
    </message>
    <message>
        <source>设备监听</source>
        <translation>Device Monitor</translation>
    </message>
    <message>
        <source>串口读取失败</source>
        <translation>Serial port read failed</translation>
    </message>
    <message>
        <source>已丢弃 %1 行</source>
        <translation>%1 lines dropped</translation>
    </message>
</context>
<context>
    <name>NeutralAboutDialog</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ReadThread</name>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>历史数据超过%1行，已停止读取</source>
        <translation>The history data exceeds %1 lines; reading stopped</translation>
    </message>
    <message>
        <source>串口读取失败</source>
        <translation>Serial port read failed</translation>
    </message>
    <message>
        <source>%1行历史数据不完整，传输中丢失了数据</source>
        <translation>%1 lines of history data are incomplete: data was lost in transfer</translation>
    </message>
</context>
<context>
    <name>RefreshThread</name>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>数据长度校验错误 : 
%1</source>
        <translation>Data length check failed: 
%1</translation>
    </message>
    <message>
        <source>地址或命令校验错误: 
%1</source>
        <translation>Address or command check failed: 
%1</translation>
    </message>
    <message>
        <source>刷新已停止: 已收到%1项</source>
        <translation>Refresh stopped: %1 items received</translation>
    </message>
</context>
<context>
    <name>SafeFileWriter</name>
    <message>
        <source>%1: %2 (%3)</source>
        <translation>%1: %2 (%3)</translation>
    </message>
    <message>
        <source>不是普通文件: %1</source>
        <translation>Not a regular file: %1</translation>
    </message>
    <message>
        <source>保存文件失败</source>
        <translation>Cannot save the file</translation>
    </message>
    <message>
        <source>创建文件失败</source>
        <translation>Cannot create the file</translation>
    </message>
    <message>
        <source>文件不存在: %1</source>
        <translation>File not found: %1</translation>
    </message>
    <message>
        <source>文件超过系统允许的大小</source>
        <translation>the file exceeds the size the system allows</translation>
    </message>
    <message>
        <source>文件过大(超过%1 MB): %2</source>
        <translation>File too large (over %1 MB): %2</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>写入文件失败</source>
        <translation>Cannot write the file</translation>
    </message>
    <message>
        <source>读取文件失败: %1</source>
        <translation>Cannot read the file: %1</translation>
    </message>
</context>
<context>
    <name>SearchDeviceDialog</name>
    <message>
        <source>查找设备</source>
        <translation>Find Devices</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>请选择设备</source>
        <translation>Please choose a device</translation>
    </message>
    <message>
        <source>广播地址</source>
        <translation>Broadcast addresses</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>直接询问：</source>
        <translation>Ask directly:</translation>
    </message>
    <message>
        <source>IP 地址(可选)</source>
        <translation>IP address (optional)</translation>
    </message>
    <message>
        <source>请输入有效的IPv4地址</source>
        <translation>Please enter a valid IPv4 address</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>SetupDialog</name>
    <message>
        <source>串口设置</source>
        <translation>Serial Port Setup</translation>
    </message>
    <message>
        <source>Serial通讯</source>
        <translation>Serial</translation>
    </message>
    <message>
        <source>串口号：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>数据位：</source>
        <translation>Data bits:</translation>
    </message>
    <message>
        <source>奇偶校验：</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>停止位：</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>RTS</source>
        <translation>RTS</translation>
    </message>
    <message>
        <source>DTR</source>
        <translation>DTR</translation>
    </message>
    <message>
        <source>Udp通讯</source>
        <translation>UDP</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>查找设备</source>
        <translation>Find Devices</translation>
    </message>
    <message>
        <source>设备地址：</source>
        <translation>Device address:</translation>
    </message>
    <message>
        <source>通讯加密</source>
        <translation>Encrypt link</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>Mark</translation>
    </message>
    <message>
        <source>请选择串口!</source>
        <translation>Please choose a serial port.</translation>
    </message>
    <message>
        <source>请选择波特率!</source>
        <translation>Please choose a baud rate.</translation>
    </message>
    <message>
        <source>请输入UDP地址</source>
        <translation>Please enter the UDP address</translation>
    </message>
    <message>
        <source>请输入UDP端口</source>
        <translation>Please enter the UDP port</translation>
    </message>
    <message>
        <source>最近的连接：</source>
        <translation>Recent:</translation>
    </message>
    <message>
        <source>测试连接</source>
        <translation>Test connection</translation>
    </message>
    <message>
        <source>%1,加密</source>
        <translation>%1, encrypted</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>选择以填入</source>
        <translation>Choose one to fill in the fields</translation>
    </message>
    <message>
        <source>取消测试</source>
        <translation>Cancel test</translation>
    </message>
    <message>
        <source>正在测试 %1 …</source>
        <translation>Testing %1 …</translation>
    </message>
    <message>
        <source>测试已取消</source>
        <translation>Test cancelled</translation>
    </message>
</context>
<context>
    <name>UpdateDialog</name>
    <message>
        <source>更新固件</source>
        <translation>Update Firmware</translation>
    </message>
    <message>
        <source>文件：</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>设备：</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>版本：</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>进度：</source>
        <translation>Progress:</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>Choose File</translation>
    </message>
    <message>
        <source>烧写</source>
        <translation>Flash</translation>
    </message>
    <message>
        <source>下载文件</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>列表：</source>
        <translation>List:</translation>
    </message>
    <message>
        <source>路径：</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>刷新文件列表</source>
        <translation>Refresh List</translation>
    </message>
    <message>
        <source>选择路径</source>
        <translation>Choose Folder</translation>
    </message>
    <message>
        <source>更新失败,文件不存在或拒绝访问!</source>
        <translation>Update failed: the file does not exist or access is denied.</translation>
    </message>
    <message>
        <source>固件更新成功!</source>
        <translation>Firmware updated.</translation>
    </message>
    <message>
        <source>请选择设备类型!</source>
        <translation>Please choose the device type.</translation>
    </message>
    <message>
        <source>请选择下载路径!</source>
        <translation>Please choose the download folder.</translation>
    </message>
    <message>
        <source>文件下载成功!</source>
        <translation>File downloaded.</translation>
    </message>
    <message>
        <source>正在更新固件,请等待更新完成!</source>
        <translation>Updating firmware, please wait until it finishes.</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>固件文件
设备: %1
型号: %2
版本: %3</source>
        <translation>Firmware package
Device: %1
Model: %2
Version: %3</translation>
    </message>
    <message>
        <source>设备当前</source>
        <translation>On the instrument now</translation>
    </message>
    <message>
        <source>开始更新固件?</source>
        <translation>Start the firmware update?</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>未知(未从当前连接读取)</source>
        <translation>unknown (not read over the current connection)</translation>
    </message>
    <message>
        <source>无法保存备份,固件未更新: %1</source>
        <translation>Could not save a backup; the firmware has not been updated: %1</translation>
    </message>
    <message>
        <source>不保存备份,继续更新固件?</source>
        <translation>Update the firmware without a backup?</translation>
    </message>
    <message>
        <source>不备份更新</source>
        <translation>Update Without Backup</translation>
    </message>
</context>
<context>
    <name>UpdateThread</name>
    <message>
        <source>固件更新失败,</source>
        <translation>Firmware update failed, </translation>
    </message>
    <message>
        <source>固件更新失败,重试打开串口失败 ：</source>
        <translation>Firmware update failed: reopening the serial port failed: </translation>
    </message>
    <message>
        <source>固件更新失败,获取设备ID失败!</source>
        <translation>Firmware update failed: cannot read the device ID.</translation>
    </message>
    <message>
        <source>固件更新失败,BIN文件与设备型号不一致!</source>
        <translation>Firmware update failed: the BIN file does not match the device model.</translation>
    </message>
    <message>
        <source>固件更新失败,擦除设备内存失败!</source>
        <translation>Firmware update failed: erasing the device memory failed.</translation>
    </message>
    <message>
        <source>固件更新失败,发送文件数据失败!</source>
        <translation>Firmware update failed: sending the file data failed.</translation>
    </message>
    <message>
        <source>固件更新失败,文件中没有固件数据!</source>
        <translation>Firmware update failed: the file holds no firmware data.</translation>
    </message>
</context>
<context>
    <name>ZrvuCli</name>
    <message>
        <source>无法写入标准输出: %1</source>
        <translation>Cannot write to standard output: %1</translation>
    </message>
    <message>
        <source>文件中没有配置项: %1</source>
        <translation>The file holds no items: %1</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>Updating firmware</translation>
    </message>
    <message>
        <source>固件更新被中断,设备可能需要重新更新固件。</source>
        <translation>Firmware update interrupted; the device may need to be flashed again.</translation>
    </message>
    <message>
        <source>再按一次 Ctrl-C 强制结束。</source>
        <translation>Press Ctrl-C again to force quit.</translation>
    </message>
    <message>
        <source>下载文件</source>
        <translation>Downloading</translation>
    </message>
    <message>
        <source>设备没有第%1项</source>
        <translation>The device has no item %1</translation>
    </message>
    <message>
        <source>第%1项是命令项,请用 trigger</source>
        <translation>Item %1 is a command item; use trigger</translation>
    </message>
    <message>
        <source>第%1项带有值,请用 set</source>
        <translation>Item %1 has a value; use set</translation>
    </message>
    <message>
        <source>没有设备应答</source>
        <translation>No instrument answered</translation>
    </message>
    <message>
        <source>固件文件中没有设备型号</source>
        <translation>The firmware file names no device model</translation>
    </message>
    <message>
        <source>%1 项不同</source>
        <translation>%1 rows differ</translation>
    </message>
    <message>
        <source>写入 %1 项,拒绝 %2 项</source>
        <translation>%1 written, %2 refused</translation>
    </message>
    <message>
        <source>程序异常结束</source>
        <translation>The program ended abnormally</translation>
    </message>
    <message>
        <source>已中断</source>
        <translation>Interrupted</translation>
    </message>
    <message>
        <source>未开始</source>
        <translation>Not started</translation>
    </message>
    <message>
        <source>不再开始新的仪器。</source>
        <translation>No further instruments will be started.</translation>
    </message>
    <message>
        <source>未更新固件;不备份也要更新请加 --no-backup</source>
        <translation>The firmware was not updated; add --no-backup to update without a backup</translation>
    </message>
</context>
<context>
    <name>ConnectionTest</name>
    <message>
        <source>无法打开连接</source>
        <translation>Cannot open the connection</translation>
    </message>
    <message>
        <source>%1,设备地址 %2</source>
        <translation>%1, device address %2</translation>
    </message>
    <message>
        <source>连接成功(%1):%2</source>
        <translation>Connected (%1): %2</translation>
    </message>
    <message>
        <source>连接成功(%1):%2 = %3</source>
        <translation>Connected (%1): %2 = %3</translation>
    </message>
    <message>
        <source>连接成功(%1),设备没有参数项</source>
        <translation>Connected (%1); the device has no items</translation>
    </message>
    <message>
        <source>连接失败(%1):%2</source>
        <translation>Connection failed (%1): %2</translation>
    </message>
</context>
<context>
    <name>HistoryTable</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>列 %1</source>
        <translation>Column %1</translation>
    </message>
    <message>
        <source>没有记录，%1 行不是记录</source>
        <translation>No records, %1 lines not records</translation>
    </message>
    <message>
        <source>%1 条记录，%2 至 %3，%4 行不是记录</source>
        <translation>%1 records, %2 to %3, %4 lines not records</translation>
    </message>
    <message>
        <source>；表格只显示前 %1 列，另有 %2 列未显示（导出包含全部字段）</source>
        <translation>; the table shows the first %1 columns, %2 more are not shown (exports contain every field)</translation>
    </message>
    <message>
        <source>%1 个值不是数字</source>
        <translation>%1 values are not numbers</translation>
    </message>
    <message>
        <source>%1 个值超出图表范围</source>
        <translation>%1 values outside the chart's range</translation>
    </message>
    <message>
        <source>图表只画前 %1 个数字列，另有 %2 列未画: %3</source>
        <translation>the chart draws the first %1 numeric columns, %2 more are not drawn: %3</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>HistoryPdfLayout</name>
    <message>
        <source>第 %1 页 / 共 %2 页</source>
        <translation>Page %1 of %2</translation>
    </message>
</context>
<context>
    <name>HistoryChartView</name>
    <message>
        <source>重置缩放</source>
        <translation>Reset zoom</translation>
    </message>
    <message>
        <source>保存图表</source>
        <translation>Save chart</translation>
    </message>
    <message>
        <source>图表只能保存为 PNG 或 SVG 文件: %1</source>
        <translation>A chart can only be saved as a PNG or SVG file: %1</translation>
    </message>
</context>
<context>
    <name>FrameDecoder</name>
    <message>
        <source>CRC错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <source>写入序列号 %1</source>
        <translation>write serial number %1</translation>
    </message>
    <message>
        <source>写入应答 %1</source>
        <translation>write reply %1</translation>
    </message>
    <message>
        <source>写配置项 %1 &quot;%2&quot;</source>
        <translation>text write %1 &quot;%2&quot;</translation>
    </message>
    <message>
        <source>功能码 %1</source>
        <translation>function code %1</translation>
    </message>
    <message>
        <source>加密信封 (CRC错误)</source>
        <translation>encrypted envelope (CRC error)</translation>
    </message>
    <message>
        <source>加密信封: %1 [内层 %2]</source>
        <translation>encrypted envelope: %1 [inner %2]</translation>
    </message>
    <message>
        <source>升级: 擦除</source>
        <translation>flash: erase</translation>
    </message>
    <message>
        <source>升级: 擦除 %1 字节</source>
        <translation>flash: erase %1 bytes</translation>
    </message>
    <message>
        <source>升级: 数据页</source>
        <translation>flash: page</translation>
    </message>
    <message>
        <source>升级: 第 %1 页, %2 字节</source>
        <translation>flash: page %1, %2 bytes</translation>
    </message>
    <message>
        <source>升级: 识别设备</source>
        <translation>flash: identify</translation>
    </message>
    <message>
        <source>升级: 退出升级</source>
        <translation>flash: leave</translation>
    </message>
    <message>
        <source>升级应答</source>
        <translation>flash reply</translation>
    </message>
    <message>
        <source>升级应答 &quot;%1&quot;</source>
        <translation>flash reply &quot;%1&quot;</translation>
    </message>
    <message>
        <source>历史数据请求</source>
        <translation>history request</translation>
    </message>
    <message>
        <source>历史数据请求 %1 至 %2</source>
        <translation>history request %1 to %2</translation>
    </message>
    <message>
        <source>序列号应答 %1</source>
        <translation>serial number reply %1</translation>
    </message>
    <message>
        <source>应答 %1</source>
        <translation>reply %1</translation>
    </message>
    <message>
        <source>搜索应答 %1</source>
        <translation>search answer %1</translation>
    </message>
    <message>
        <source>搜索设备</source>
        <translation>search probe</translation>
    </message>
    <message>
        <source>文本 &quot;%1&quot;</source>
        <translation>text &quot;%1&quot;</translation>
    </message>
    <message>
        <source>时钟应答 %1</source>
        <translation>clock reply %1</translation>
    </message>
    <message>
        <source>未知帧, %1 字节</source>
        <translation>unknown frame, %1 bytes</translation>
    </message>
    <message>
        <source>空</source>
        <translation>empty</translation>
    </message>
    <message>
        <source>设置时钟 %1 %2</source>
        <translation>clock set %1 %2</translation>
    </message>
    <message>
        <source>读配置项 %1</source>
        <translation>item read %1</translation>
    </message>
    <message>
        <source>调试开关应答 %1</source>
        <translation>debug switch reply %1</translation>
    </message>
    <message>
        <source>调试输出关</source>
        <translation>debug output off</translation>
    </message>
    <message>
        <source>调试输出开</source>
        <translation>debug output on</translation>
    </message>
    <message>
        <source>配置项 %1 应答 %2</source>
        <translation>item %1 reply %2</translation>
    </message>
    <message>
        <source>配置项 %1 应答: 列表结束</source>
        <translation>item %1 reply: end of list</translation>
    </message>
    <message>
        <source>长度错误</source>
        <translation>wrong length</translation>
    </message>
</context>
<context>
    <name>TrafficLogText</name>
    <message>
        <source>CRC校验失败</source>
        <translation>CRC check failed</translation>
    </message>
    <message>
        <source>丢弃: 来自 %1 的数据报</source>
        <translation>dropped: datagram from %1</translation>
    </message>
    <message>
        <source>丢弃: 请求前残留的数据</source>
        <translation>dropped: stale data before the request</translation>
    </message>
    <message>
        <source>应答不完整</source>
        <translation>incomplete reply</translation>
    </message>
    <message>
        <source>%1 字节，只保留了前 %2 字节</source>
        <translation>%1 bytes, only the first %2 kept</translation>
    </message>
    <message>
        <source>超时: %1 ms 内没有应答</source>
        <translation>timeout: no reply within %1 ms</translation>
    </message>
    <message>
        <source>设备重复应答: 应答比请求多</source>
        <translation>duplicate answer: more answers than requests</translation>
    </message>
</context>
<context>
    <name>TrafficWindow</name>
    <message>
        <source>× 丢弃</source>
        <translation>× dropped</translation>
    </message>
    <message>
        <source>← 接收</source>
        <translation>← received</translation>
    </message>
    <message>
        <source>→ 发送</source>
        <translation>→ sent</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存通讯记录</source>
        <translation>Save Traffic Log</translation>
    </message>
    <message>
        <source>内层帧: %1</source>
        <translation>Inner frame: %1</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>字节</source>
        <translation>bytes</translation>
    </message>
    <message>
        <source>按文字筛选</source>
        <translation>Filter by text</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>无法保存 %1: %2</source>
        <translation>Cannot save %1: %2</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>筛选:</source>
        <translation>Filter:</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Explanation</translation>
    </message>
    <message>
        <source>通讯记录</source>
        <translation>Traffic Log</translation>
    </message>
    <message>
        <source>! 事件</source>
        <translation>! event</translation>
    </message>
    <message>
        <source>端点</source>
        <translation>Endpoint</translation>
    </message>
    <message>
        <source>响应(ms)</source>
        <translation>Response (ms)</translation>
    </message>
    <message>
        <source>发送 %1 · 接收 %2 · 失败 %3</source>
        <translation>sent %1 · received %2 · failed %3</translation>
    </message>
    <message>
        <source>跟随最新</source>
        <translation>Follow newest</translation>
    </message>
</context>
<context>
    <name>ItemSafeWrite</name>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>同一秒内的备份过多</source>
        <translation>Too many backups within one second</translation>
    </message>
    <message>
        <source>无法保存备份,未写入任何项: %1</source>
        <translation>The backup could not be saved, nothing was written: %1</translation>
    </message>
    <message>
        <source>备份已保存: %1</source>
        <translation>Backup saved: %1</translation>
    </message>
    <message>
        <source>核对完成: 写入的 %1 项全部保持</source>
        <translation>Verified: all %1 row(s) written were kept</translation>
    </message>
    <message>
        <source>核对完成: %1 项与写入的值不符</source>
        <translation>Verified: %1 row(s) differ from the values written</translation>
    </message>
    <message>
        <source>%1: 写入 %2,设备保持 %3</source>
        <translation>%1: wrote %2, the instrument kept %3</translation>
    </message>
    <message>
        <source>%1: 不再应答</source>
        <translation>%1: no longer answers</translation>
    </message>
    <message>
        <source>写入后无法读回配置进行核对: %1</source>
        <translation>The configuration could not be read back for verification: %1</translation>
    </message>
    <message>
        <source>相同</source>
        <translation>Unchanged</translation>
    </message>
    <message>
        <source>将修改</source>
        <translation>Changes</translation>
    </message>
    <message>
        <source>受保护</source>
        <translation>Protected</translation>
    </message>
    <message>
        <source>设备没有此项</source>
        <translation>Not on the instrument</translation>
    </message>
    <message>
        <source>命令项</source>
        <translation>Command</translation>
    </message>
</context>
<context>
    <name>WritePreviewDialog</name>
    <message>
        <source>写入配置预览</source>
        <translation>Preview of the write</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>设备的值</source>
        <translation>On the instrument</translation>
    </message>
    <message>
        <source>要写入的值</source>
        <translation>To write</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>设备保留自己的值,除非勾选此项</source>
        <translation>The instrument keeps its own value unless this row is checked</translation>
    </message>
    <message>
        <source>显示未变化的项</source>
        <translation>Show unchanged</translation>
    </message>
    <message>
        <source>写入选中的项</source>
        <translation>Write checked rows</translation>
    </message>
    <message>
        <source>将写入 %1 项;%2 项未变化,%3 项设备没有</source>
        <translation>%1 rows will be written; %2 unchanged, %3 not on the instrument</translation>
    </message>
</context>
<context>
    <name>FleetRunner</name>
    <message>
        <source>%1: 已读 %2 项</source>
        <translation>%1: %2 items read</translation>
    </message>
    <message>
        <source>写入 %1 项,拒绝 %2 项</source>
        <translation>%1 items written, %2 refused</translation>
    </message>
    <message>
        <source>写入 %1/%2: %3</source>
        <translation>Writing %1/%2: %3</translation>
    </message>
    <message>
        <source>写入 0 项,拒绝 %1 项</source>
        <translation>0 items written, %1 refused</translation>
    </message>
    <message>
        <source>型号 %1 不符,跳过</source>
        <translation>Model %1 does not match, skipped</translation>
    </message>
    <message>
        <source>型号未知,跳过</source>
        <translation>Model unknown, skipped</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>Backup</translation>
    </message>
    <message>
        <source>已停止,未开始</source>
        <translation>Stopped, not started</translation>
    </message>
    <message>
        <source>已读 %1 项</source>
        <translation>%1 items read</translation>
    </message>
    <message>
        <source>文件中没有配置项: %1</source>
        <translation>No items in the file: %1</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>No answer</translation>
    </message>
    <message>
        <source>更新固件 %1%</source>
        <translation>Updating firmware %1%</translation>
    </message>
    <message>
        <source>未开始</source>
        <translation>Not started</translation>
    </message>
    <message>
        <source>未更新固件: </source>
        <translation>Firmware not updated: </translation>
    </message>
    <message>
        <source>核对</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>没有不同的配置项</source>
        <translation>No item differs</translation>
    </message>
    <message>
        <source>没有这台设备的备份</source>
        <translation>No backup of this instrument</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>Skipped</translation>
    </message>
    <message>
        <source>进行中</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>FleetWindow</name>
    <message>
        <source>%1: %2 → %3</source>
        <translation>%1: %2 → %3</translation>
    </message>
    <message>
        <source>%1: 跳过 (型号 %2)</source>
        <translation>%1: skipped (model %2)</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(none)</translation>
    </message>
    <message>
        <source>(未知)</source>
        <translation>(unknown)</translation>
    </message>
    <message>
        <source>一行一台: udp 主机:端口 地址 [名称] 或 serial 串口 波特率 地址 [名称]</source>
        <translation>One per line: udp HOST:PORT ADDRESS [NAME] or serial PORT BAUD ADDRESS [NAME]</translation>
    </message>
    <message>
        <source>不再开始新的操作;进行中的读写在当前项之后停止,固件更新会完成</source>
        <translation>Start nothing new; running reads and writes stop after the current item, a firmware update finishes</translation>
    </message>
    <message>
        <source>与参考不同</source>
        <translation>Differs from reference</translation>
    </message>
    <message>
        <source>保存列表</source>
        <translation>Save list</translation>
    </message>
    <message>
        <source>保存结果</source>
        <translation>Save results</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>写入前先备份每台设备,写入后核对。</source>
        <translation>Each instrument is backed up first and checked afterwards.</translation>
    </message>
    <message>
        <source>写入后核对。</source>
        <translation>Each instrument is checked afterwards.</translation>
    </message>
    <message>
        <source>写入文件</source>
        <translation>Write file</translation>
    </message>
    <message>
        <source>写入文件时也写入受保护的配置项 (%1)</source>
        <translation>Also write the protected items (%1) when writing a file</translation>
    </message>
    <message>
        <source>列表已保存到 %1</source>
        <translation>List saved to %1</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>刷新全部</source>
        <translation>Refresh all</translation>
    </message>
    <message>
        <source>包括受保护项</source>
        <translation>Include protected items</translation>
    </message>
    <message>
        <source>参考文件</source>
        <translation>Reference file</translation>
    </message>
    <message>
        <source>参考文件: %1</source>
        <translation>Reference file: %1</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>受保护的配置项也会写入。</source>
        <translation>Protected items are written too.</translation>
    </message>
    <message>
        <source>受保护的配置项保持不变。</source>
        <translation>Protected items are kept.</translation>
    </message>
    <message>
        <source>同步时间</source>
        <translation>Sync time</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>固件文件 (*.zrbin)</source>
        <translation>Firmware files (*.zrbin)</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>Back up</translation>
    </message>
    <message>
        <source>备份这些设备的配置到 %1?</source>
        <translation>Back up these instruments' items to %1?</translation>
    </message>
    <message>
        <source>多台设备</source>
        <translation>Instruments</translation>
    </message>
    <message>
        <source>完成: %1 台正常,%2 台失败,%3 台其他</source>
        <translation>Done: %1 ok, %2 failed, %3 other</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>Restore backup</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>手动添加</source>
        <translation>Add by hand</translation>
    </message>
    <message>
        <source>手动添加...</source>
        <translation>Add by hand...</translation>
    </message>
    <message>
        <source>把 %1 中与设备不同的配置项写入这些设备?</source>
        <translation>Write the items of %1 that differ to these instruments?</translation>
    </message>
    <message>
        <source>把每台设备最近的备份写回这台设备?</source>
        <translation>Write each instrument's latest backup back to it?</translation>
    </message>
    <message>
        <source>把这些设备的时钟设为本机时间?</source>
        <translation>Set these instruments' clocks to this computer's time?</translation>
    </message>
    <message>
        <source>把这些设备的配置导出到 %1 (每台设备一个 {名称}.csv)?</source>
        <translation>Export these instruments' items to %1 (one {name}.csv each)?</translation>
    </message>
    <message>
        <source>搜索设备...</source>
        <translation>Search devices...</translation>
    </message>
    <message>
        <source>无法打开设备列表 %1: %2</source>
        <translation>Cannot open the instrument list %1: %2</translation>
    </message>
    <message>
        <source>更新前先备份每台设备。</source>
        <translation>Each instrument is backed up first.</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>Update firmware</translation>
    </message>
    <message>
        <source>最近备份</source>
        <translation>Last backup</translation>
    </message>
    <message>
        <source>最近的连接</source>
        <translation>Recent connections</translation>
    </message>
    <message>
        <source>正在停止: 进行中的操作完成后结束</source>
        <translation>Stopping: ends once the running operations have finished</translation>
    </message>
    <message>
        <source>正在读取 %1 台设备</source>
        <translation>Reading %1 instruments</translation>
    </message>
    <message>
        <source>正在读取 %1</source>
        <translation>Reading %1</translation>
    </message>
    <message>
        <source>没有勾选的设备</source>
        <translation>No instrument is checked</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>用 %1 (型号 %2, 版本 %3) 更新这些设备的固件?</source>
        <translation>Update these instruments' firmware with %1 (model %2, version %3)?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>站点名称</source>
        <translation>Station</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>结果已保存到 %1</source>
        <translation>Results saved to %1</translation>
    </message>
    <message>
        <source>设备列表 (*.txt *.targets)</source>
        <translation>Instrument lists (*.txt *.targets)</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>配置文件 (*.csv)</source>
        <translation>Item files (*.csv)</translation>
    </message>
</context>
</TS>
