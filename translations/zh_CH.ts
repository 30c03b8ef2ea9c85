<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CH">
<context>
    <name>DDbServer</name>
    <message>
        <source>解析文件失败,文件不存在或拒绝访问!</source>
        <translation>解析文件失败,文件不存在或拒绝访问!</translation>
    </message>
    <message>
        <source>解析文件失败,打开文件失败,请检查文件类型!</source>
        <translation>解析文件失败,打开文件失败,请检查文件类型!</translation>
    </message>
    <message>
        <source>解析文件失败,文件操作失败!</source>
        <translation>解析文件失败,文件操作失败!</translation>
    </message>
    <message>
        <source>解析文件失败,无法获取文件内容!</source>
        <translation>解析文件失败,无法获取文件内容!</translation>
    </message>
    <message>
        <source>解析文件失败,文件校验失败!</source>
        <translation>解析文件失败,文件校验失败!</translation>
    </message>
    <message>
        <source>解析文件失败,文件过大!</source>
        <translation>解析文件失败,文件过大!</translation>
    </message>
</context>
<context>
    <name>DDialogInputSN</name>
    <message>
        <source>请输入序列号</source>
        <translation>请输入序列号</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>SN输入有误</source>
        <translation>SN输入有误</translation>
    </message>
</context>
<context>
    <name>DeviceLink</name>
    <message>
        <source>打开串口失败: %1</source>
        <translation>打开串口失败: %1</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>串口打开失败</translation>
    </message>
    <message>
        <source>发送命令超时</source>
        <translation>发送命令超时</translation>
    </message>
    <message>
        <source>接受数据超时</source>
        <translation>接受数据超时</translation>
    </message>
    <message>
        <source>发送命令失败</source>
        <translation>发送命令失败</translation>
    </message>
    <message>
        <source>接收数据超时</source>
        <translation>接收数据超时</translation>
    </message>
    <message>
        <source>CRC校验错误</source>
        <translation>CRC校验错误</translation>
    </message>
    <message>
        <source>串口连接已断开</source>
        <translation>串口连接已断开</translation>
    </message>
    <message>
        <source>设备重复应答</source>
        <translation>设备重复应答</translation>
    </message>
    <message>
        <source>未定义的错误</source>
        <translation>未定义的错误</translation>
    </message>
</context>
<context>
    <name>DeviceTypeMgr</name>
    <message>
        <source>获取设备列表失败,请重试!</source>
        <translation>获取设备列表失败,请重试!</translation>
    </message>
    <message>
        <source>未设置设备列表地址!</source>
        <translation>未设置设备列表地址!</translation>
    </message>
    <message>
        <source>设备列表地址无效,请输入 http 或 https 地址!</source>
        <translation>设备列表地址无效,请输入 http 或 https 地址!</translation>
    </message>
</context>
<context>
    <name>DownloadThread</name>
    <message>
        <source>下载失败,打开文件失败: %1</source>
        <translation>下载失败,打开文件失败: %1</translation>
    </message>
    <message>
        <source>下载异常: %1</source>
        <translation>下载异常: %1</translation>
    </message>
    <message>
        <source>下载失败,打开链接失败!</source>
        <translation>下载失败,打开链接失败!</translation>
    </message>
    <message>
        <source>下载异常: 未找到该文件或下载失败</source>
        <translation>下载异常: 未找到该文件或下载失败</translation>
    </message>
    <message>
        <source>下载异常: 文件过大(超过%1 MB)</source>
        <translation>下载异常: 文件过大(超过%1 MB)</translation>
    </message>
    <message>
        <source>下载异常: 服务器在%1秒内没有发送数据</source>
        <translation>下载异常: 服务器在%1秒内没有发送数据</translation>
    </message>
</context>
<context>
    <name>ExchangeThread</name>
    <message>
        <source>正在刷新: 已收到%1项</source>
        <translation>正在刷新: 已收到%1项</translation>
    </message>
    <message>
        <source>第%1行,共%2行: %3</source>
        <translation>第%1行,共%2行: %3</translation>
    </message>
    <message>
        <source>第%1行,共%2行: 写完本行后停止</source>
        <translation>第%1行,共%2行: 写完本行后停止</translation>
    </message>
    <message>
        <source>共%1行</source>
        <translation>共%1行</translation>
    </message>
    <message>
        <source>正在同步时间</source>
        <translation>正在同步时间</translation>
    </message>
    <message>
        <source>正在写入SN</source>
        <translation>正在写入SN</translation>
    </message>
    <message>
        <source>写入配置已停止: 已写入%1行,共%2行</source>
        <translation>写入配置已停止: 已写入%1行,共%2行</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>写完当前行后停止写入</source>
        <translation>写完当前行后停止写入</translation>
    </message>
    <message>
        <source>请等待当前操作结束</source>
        <translation>请等待当前操作结束</translation>
    </message>
    <message>
        <source>收到当前项后停止读取</source>
        <translation>收到当前项后停止读取</translation>
    </message>
    <message>
        <source>正在读取设备配置: 已收到%1项</source>
        <translation>正在读取设备配置: 已收到%1项</translation>
    </message>
    <message>
        <source>正在核对 %1/%2</source>
        <translation>正在核对 %1/%2</translation>
    </message>
    <message>
        <source>已写入%1行,核对已停止</source>
        <translation>已写入%1行,核对已停止</translation>
    </message>
</context>
<context>
    <name>HistoryData</name>
    <message>
        <source>历史数据</source>
        <translation>历史数据</translation>
    </message>
    <message>
        <source>起始日期:</source>
        <translation>起始日期:</translation>
    </message>
    <message>
        <source>结束日期:</source>
        <translation>结束日期:</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>查询</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>导出CSV</translation>
    </message>
    <message>
        <source>导出PDF</source>
        <translation>导出PDF</translation>
    </message>
    <message>
        <source>起始日期应该小于或等于结束日期</source>
        <translation>起始日期应该小于或等于结束日期</translation>
    </message>
    <message>
        <source>导出历史数据</source>
        <translation>导出历史数据</translation>
    </message>
    <message>
        <source>导出配置</source>
        <translation>导出配置</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source> - 正在停止查询...</source>
        <translation> - 正在停止查询...</translation>
    </message>
    <message>
        <source> - 正在导出...</source>
        <translation> - 正在导出...</translation>
    </message>
    <message>
        <source>打开文件失败: %1</source>
        <translation>打开文件失败: %1</translation>
    </message>
    <message>
        <source>导出数据失败，数据格式错误</source>
        <translation>导出数据失败，数据格式错误</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>文本</translation>
    </message>
    <message>
        <source>表格</source>
        <translation>表格</translation>
    </message>
    <message>
        <source>图表</source>
        <translation>图表</translation>
    </message>
    <message>
        <source>；</source>
        <translation>；</translation>
    </message>
</context>
<context>
    <name>LinkSettings</name>
    <message>
        <source>(无)</source>
        <translation>(无)</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>地址 %1</source>
        <translation>地址 %1</translation>
    </message>
    <message>
        <source>加密</source>
        <translation>加密</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>多台设备</source>
        <translation>多台设备</translation>
    </message>
    <message>
        <source>设备的文字无法表示值中的字符“%1”(%2),不能发送</source>
        <translation>设备的文字无法表示值中的字符“%1”(%2),不能发送</translation>
    </message>
    <message>
        <source>值中含有控制字符 %1,不能发送</source>
        <translation>值中含有控制字符 %1,不能发送</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>toolBar</source>
        <translation>toolBar</translation>
    </message>
    <message>
        <source>通讯设置</source>
        <translation>通讯设置</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>导入配置</source>
        <translation>导入配置</translation>
    </message>
    <message>
        <source>导出配置</source>
        <translation>导出配置</translation>
    </message>
    <message>
        <source>写入配置</source>
        <translation>写入配置</translation>
    </message>
    <message>
        <source>同步时间</source>
        <translation>同步时间</translation>
    </message>
    <message>
        <source>历史数据</source>
        <translation>历史数据</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>更新固件</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>关于</translation>
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
        <translation>设备监听</translation>
    </message>
    <message>
        <source>写入SN</source>
        <translation>写入SN</translation>
    </message>
    <message>
        <source>准备就绪</source>
        <translation>准备就绪</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>正在写入配置......</source>
        <translation>正在写入配置......</translation>
    </message>
    <message>
        <source>提交</source>
        <translation>提交</translation>
    </message>
    <message>
        <source>硬件返回数据校验错误</source>
        <translation>硬件返回数据校验错误</translation>
    </message>
    <message>
        <source>写入的值过长,最多%1字节</source>
        <translation>写入的值过长,最多%1字节</translation>
    </message>
    <message>
        <source>写入配置成功</source>
        <translation>写入配置成功</translation>
    </message>
    <message>
        <source>写入配置失败,该项不支持修改</source>
        <translation>写入配置失败,该项不支持修改</translation>
    </message>
    <message>
        <source>写入错误,连接设备失败</source>
        <translation>写入错误,连接设备失败</translation>
    </message>
    <message>
        <source>写入配置失败: %1</source>
        <translation>写入配置失败: %1</translation>
    </message>
    <message>
        <source>没有应答,该值可能已写入,请刷新核对</source>
        <translation>没有应答,该值可能已写入,请刷新核对</translation>
    </message>
    <message>
        <source>写入配置完成,%1项不支持修改</source>
        <translation>写入配置完成,%1项不支持修改</translation>
    </message>
    <message>
        <source>打开文件失败: %1</source>
        <translation>打开文件失败: %1</translation>
    </message>
    <message>
        <source>正在导出配置......</source>
        <translation>正在导出配置......</translation>
    </message>
    <message>
        <source>写入文件失败: %1</source>
        <translation>写入文件失败: %1</translation>
    </message>
    <message>
        <source>导出配置成功</source>
        <translation>导出配置成功</translation>
    </message>
    <message>
        <source>正在导入配置......</source>
        <translation>正在导入配置......</translation>
    </message>
    <message>
        <source>文件解析错误</source>
        <translation>文件解析错误</translation>
    </message>
    <message>
        <source>导入配置成功</source>
        <translation>导入配置成功</translation>
    </message>
    <message>
        <source>同步时间失败</source>
        <translation>同步时间失败</translation>
    </message>
    <message>
        <source>同步时间成功</source>
        <translation>同步时间成功</translation>
    </message>
    <message>
        <source>写入SN失败,连接设备失败,请检查通讯设置</source>
        <translation>写入SN失败,连接设备失败,请检查通讯设置</translation>
    </message>
    <message>
        <source>写入SN失败, %1</source>
        <translation>写入SN失败, %1</translation>
    </message>
    <message>
        <source>写入SN失败</source>
        <translation>写入SN失败</translation>
    </message>
    <message>
        <source>写入SN失败, 设备返回错误: %1</source>
        <translation>写入SN失败, 设备返回错误: %1</translation>
    </message>
    <message>
        <source>写入SN成功</source>
        <translation>写入SN成功</translation>
    </message>
    <message>
        <source>导出配置失败: %1</source>
        <translation>导出配置失败: %1</translation>
    </message>
    <message>
        <source>文件编码错误: 第%1行不是UTF-8、GB2312或Latin-1文本</source>
        <translation>文件编码错误: 第%1行不是UTF-8、GB2312或Latin-1文本</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>恢复备份</translation>
    </message>
    <message>
        <source>没有要写入的项</source>
        <translation>没有要写入的项</translation>
    </message>
    <message>
        <source>打开备份文件夹</source>
        <translation>打开备份文件夹</translation>
    </message>
    <message>
        <source>列表读自另一连接: %1</source>
        <translation>列表读自另一连接: %1</translation>
    </message>
    <message>
        <source>通讯设置已更改,列表中的配置项读自之前的连接</source>
        <translation>通讯设置已更改,列表中的配置项读自之前的连接</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>信息</translation>
    </message>
</context>
<context>
    <name>ModifyDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>提交</source>
        <translation>提交</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>执行命令</source>
        <translation>执行命令</translation>
    </message>
    <message>
        <source>执行命令“%1”?</source>
        <translation>执行命令“%1”?</translation>
    </message>
    <message>
        <source>设备收到后会立即执行此命令。</source>
        <translation>设备收到后会立即执行此命令。</translation>
    </message>
    <message>
        <source>执行</source>
        <translation>执行</translation>
    </message>
</context>
<context>
    <name>MonitorDialog</name>
    <message>
        <source>设备监听</source>
        <translation>设备监听</translation>
    </message>
    <message>
        <source>原始数据</source>
        <translation>原始数据</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>十六进制</translation>
    </message>
    <message>
        <source>原始数据 + 十六进制</source>
        <translation>原始数据 + 十六进制</translation>
    </message>
    <message>
        <source>调试信息</source>
        <translation>调试信息</translation>
    </message>
    <message>
        <source>开始监听</source>
        <translation>开始监听</translation>
    </message>
    <message>
        <source>停止监听</source>
        <translation>停止监听</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source> - 正在停止监听...</source>
        <translation> - 正在停止监听...</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>保存监听数据</source>
        <translation>保存监听数据</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>文本文件 (*.txt);;所有文件 (*)</translation>
    </message>
    <message>
        <source>无法写入 %1: %2</source>
        <translation>无法写入 %1: %2</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>记录到文件</translation>
    </message>
</context>
<context>
    <name>MonitorThread</name>
    <message>
        <source>监听调试</source>
        <translation>监听调试</translation>
    </message>
    <message>
        <source>设备监听</source>
        <translation>设备监听</translation>
    </message>
    <message>
        <source>串口读取失败</source>
        <translation>串口读取失败</translation>
    </message>
    <message>
        <source>已丢弃 %1 行</source>
        <translation>已丢弃 %1 行</translation>
    </message>
</context>
<context>
    <name>NeutralAboutDialog</name>
    <message>
        <source>关于</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>ReadThread</name>
    <message>
        <source>查询</source>
        <translation>查询</translation>
    </message>
    <message>
        <source>历史数据超过%1行，已停止读取</source>
        <translation>历史数据超过%1行，已停止读取</translation>
    </message>
    <message>
        <source>串口读取失败</source>
        <translation>串口读取失败</translation>
    </message>
    <message>
        <source>%1行历史数据不完整，传输中丢失了数据</source>
        <translation>%1行历史数据不完整，传输中丢失了数据</translation>
    </message>
</context>
<context>
    <name>RefreshThread</name>
    <message>
        <source>刷新</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>数据长度校验错误 : 
%1</source>
        <translation>数据长度校验错误 : 
%1</translation>
    </message>
    <message>
        <source>地址或命令校验错误: 
%1</source>
        <translation>地址或命令校验错误: 
%1</translation>
    </message>
    <message>
        <source>刷新已停止: 已收到%1项</source>
        <translation>刷新已停止: 已收到%1项</translation>
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
        <translation>不是普通文件: %1</translation>
    </message>
    <message>
        <source>保存文件失败</source>
        <translation>保存文件失败</translation>
    </message>
    <message>
        <source>创建文件失败</source>
        <translation>创建文件失败</translation>
    </message>
    <message>
        <source>文件不存在: %1</source>
        <translation>文件不存在: %1</translation>
    </message>
    <message>
        <source>文件超过系统允许的大小</source>
        <translation>文件超过系统允许的大小</translation>
    </message>
    <message>
        <source>文件过大(超过%1 MB): %2</source>
        <translation>文件过大(超过%1 MB): %2</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>没有写入权限</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>磁盘空间不足</translation>
    </message>
    <message>
        <source>写入文件失败</source>
        <translation>写入文件失败</translation>
    </message>
    <message>
        <source>读取文件失败: %1</source>
        <translation>读取文件失败: %1</translation>
    </message>
</context>
<context>
    <name>SearchDeviceDialog</name>
    <message>
        <source>查找设备</source>
        <translation>查找设备</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>请选择设备</source>
        <translation>请选择设备</translation>
    </message>
    <message>
        <source>广播地址</source>
        <translation>广播地址</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(无)</translation>
    </message>
    <message>
        <source>直接询问：</source>
        <translation>直接询问：</translation>
    </message>
    <message>
        <source>IP 地址(可选)</source>
        <translation>IP 地址(可选)</translation>
    </message>
    <message>
        <source>请输入有效的IPv4地址</source>
        <translation>请输入有效的IPv4地址</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
</context>
<context>
    <name>SetupDialog</name>
    <message>
        <source>串口设置</source>
        <translation>串口设置</translation>
    </message>
    <message>
        <source>Serial通讯</source>
        <translation>Serial通讯</translation>
    </message>
    <message>
        <source>串口号：</source>
        <translation>串口号：</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>数据位：</source>
        <translation>数据位：</translation>
    </message>
    <message>
        <source>奇偶校验：</source>
        <translation>奇偶校验：</translation>
    </message>
    <message>
        <source>停止位：</source>
        <translation>停止位：</translation>
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
        <translation>Udp通讯</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>地址：</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>查找设备</source>
        <translation>查找设备</translation>
    </message>
    <message>
        <source>设备地址：</source>
        <translation>设备地址：</translation>
    </message>
    <message>
        <source>通讯加密</source>
        <translation>通讯加密</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
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
        <translation>请选择串口!</translation>
    </message>
    <message>
        <source>请选择波特率!</source>
        <translation>请选择波特率!</translation>
    </message>
    <message>
        <source>请输入UDP地址</source>
        <translation>请输入UDP地址</translation>
    </message>
    <message>
        <source>请输入UDP端口</source>
        <translation>请输入UDP端口</translation>
    </message>
    <message>
        <source>最近的连接：</source>
        <translation>最近的连接：</translation>
    </message>
    <message>
        <source>测试连接</source>
        <translation>测试连接</translation>
    </message>
    <message>
        <source>%1,加密</source>
        <translation>%1,加密</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(无)</translation>
    </message>
    <message>
        <source>选择以填入</source>
        <translation>选择以填入</translation>
    </message>
    <message>
        <source>取消测试</source>
        <translation>取消测试</translation>
    </message>
    <message>
        <source>正在测试 %1 …</source>
        <translation>正在测试 %1 …</translation>
    </message>
    <message>
        <source>测试已取消</source>
        <translation>测试已取消</translation>
    </message>
</context>
<context>
    <name>UpdateDialog</name>
    <message>
        <source>更新固件</source>
        <translation>更新固件</translation>
    </message>
    <message>
        <source>文件：</source>
        <translation>文件：</translation>
    </message>
    <message>
        <source>设备：</source>
        <translation>设备：</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>型号：</translation>
    </message>
    <message>
        <source>版本：</source>
        <translation>版本：</translation>
    </message>
    <message>
        <source>进度：</source>
        <translation>进度：</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>选择文件</translation>
    </message>
    <message>
        <source>烧写</source>
        <translation>烧写</translation>
    </message>
    <message>
        <source>下载文件</source>
        <translation>下载文件</translation>
    </message>
    <message>
        <source>列表：</source>
        <translation>列表：</translation>
    </message>
    <message>
        <source>路径：</source>
        <translation>路径：</translation>
    </message>
    <message>
        <source>刷新文件列表</source>
        <translation>刷新文件列表</translation>
    </message>
    <message>
        <source>选择路径</source>
        <translation>选择路径</translation>
    </message>
    <message>
        <source>更新失败,文件不存在或拒绝访问!</source>
        <translation>更新失败,文件不存在或拒绝访问!</translation>
    </message>
    <message>
        <source>固件更新成功!</source>
        <translation>固件更新成功!</translation>
    </message>
    <message>
        <source>请选择设备类型!</source>
        <translation>请选择设备类型!</translation>
    </message>
    <message>
        <source>请选择下载路径!</source>
        <translation>请选择下载路径!</translation>
    </message>
    <message>
        <source>文件下载成功!</source>
        <translation>文件下载成功!</translation>
    </message>
    <message>
        <source>正在更新固件,请等待更新完成!</source>
        <translation>正在更新固件,请等待更新完成!</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>地址：</translation>
    </message>
    <message>
        <source>固件文件
设备: %1
型号: %2
版本: %3</source>
        <translation>固件文件
设备: %1
型号: %2
版本: %3</translation>
    </message>
    <message>
        <source>设备当前</source>
        <translation>设备当前</translation>
    </message>
    <message>
        <source>开始更新固件?</source>
        <translation>开始更新固件?</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>未知(未从当前连接读取)</source>
        <translation>未知(未从当前连接读取)</translation>
    </message>
    <message>
        <source>无法保存备份,固件未更新: %1</source>
        <translation>无法保存备份,固件未更新: %1</translation>
    </message>
    <message>
        <source>不保存备份,继续更新固件?</source>
        <translation>不保存备份,继续更新固件?</translation>
    </message>
    <message>
        <source>不备份更新</source>
        <translation>不备份更新</translation>
    </message>
</context>
<context>
    <name>UpdateThread</name>
    <message>
        <source>固件更新失败,</source>
        <translation>固件更新失败,</translation>
    </message>
    <message>
        <source>固件更新失败,重试打开串口失败 ：</source>
        <translation>固件更新失败,重试打开串口失败 ：</translation>
    </message>
    <message>
        <source>固件更新失败,获取设备ID失败!</source>
        <translation>固件更新失败,获取设备ID失败!</translation>
    </message>
    <message>
        <source>固件更新失败,BIN文件与设备型号不一致!</source>
        <translation>固件更新失败,BIN文件与设备型号不一致!</translation>
    </message>
    <message>
        <source>固件更新失败,擦除设备内存失败!</source>
        <translation>固件更新失败,擦除设备内存失败!</translation>
    </message>
    <message>
        <source>固件更新失败,发送文件数据失败!</source>
        <translation>固件更新失败,发送文件数据失败!</translation>
    </message>
    <message>
        <source>固件更新失败,文件中没有固件数据!</source>
        <translation>固件更新失败,文件中没有固件数据!</translation>
    </message>
</context>
<context>
    <name>ZrvuCli</name>
    <message>
        <source>无法写入标准输出: %1</source>
        <translation>无法写入标准输出: %1</translation>
    </message>
    <message>
        <source>文件中没有配置项: %1</source>
        <translation>文件中没有配置项: %1</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>更新固件</translation>
    </message>
    <message>
        <source>固件更新被中断,设备可能需要重新更新固件。</source>
        <translation>固件更新被中断,设备可能需要重新更新固件。</translation>
    </message>
    <message>
        <source>再按一次 Ctrl-C 强制结束。</source>
        <translation>再按一次 Ctrl-C 强制结束。</translation>
    </message>
    <message>
        <source>下载文件</source>
        <translation>下载文件</translation>
    </message>
    <message>
        <source>设备没有第%1项</source>
        <translation>设备没有第%1项</translation>
    </message>
    <message>
        <source>第%1项是命令项,请用 trigger</source>
        <translation>第%1项是命令项,请用 trigger</translation>
    </message>
    <message>
        <source>第%1项带有值,请用 set</source>
        <translation>第%1项带有值,请用 set</translation>
    </message>
    <message>
        <source>没有设备应答</source>
        <translation>没有设备应答</translation>
    </message>
    <message>
        <source>固件文件中没有设备型号</source>
        <translation>固件文件中没有设备型号</translation>
    </message>
    <message>
        <source>%1 项不同</source>
        <translation>%1 项不同</translation>
    </message>
    <message>
        <source>写入 %1 项,拒绝 %2 项</source>
        <translation>写入 %1 项,拒绝 %2 项</translation>
    </message>
    <message>
        <source>程序异常结束</source>
        <translation>程序异常结束</translation>
    </message>
    <message>
        <source>已中断</source>
        <translation>已中断</translation>
    </message>
    <message>
        <source>未开始</source>
        <translation>未开始</translation>
    </message>
    <message>
        <source>不再开始新的仪器。</source>
        <translation>不再开始新的仪器。</translation>
    </message>
    <message>
        <source>未更新固件;不备份也要更新请加 --no-backup</source>
        <translation>未更新固件;不备份也要更新请加 --no-backup</translation>
    </message>
</context>
<context>
    <name>ConnectionTest</name>
    <message>
        <source>无法打开连接</source>
        <translation>无法打开连接</translation>
    </message>
    <message>
        <source>%1,设备地址 %2</source>
        <translation>%1,设备地址 %2</translation>
    </message>
    <message>
        <source>连接成功(%1):%2</source>
        <translation>连接成功(%1):%2</translation>
    </message>
    <message>
        <source>连接成功(%1):%2 = %3</source>
        <translation>连接成功(%1):%2 = %3</translation>
    </message>
    <message>
        <source>连接成功(%1),设备没有参数项</source>
        <translation>连接成功(%1),设备没有参数项</translation>
    </message>
    <message>
        <source>连接失败(%1):%2</source>
        <translation>连接失败(%1):%2</translation>
    </message>
</context>
<context>
    <name>HistoryTable</name>
    <message>
        <source>时间</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>列 %1</source>
        <translation>列 %1</translation>
    </message>
    <message>
        <source>没有记录，%1 行不是记录</source>
        <translation>没有记录，%1 行不是记录</translation>
    </message>
    <message>
        <source>%1 条记录，%2 至 %3，%4 行不是记录</source>
        <translation>%1 条记录，%2 至 %3，%4 行不是记录</translation>
    </message>
    <message>
        <source>；表格只显示前 %1 列，另有 %2 列未显示（导出包含全部字段）</source>
        <translation>；表格只显示前 %1 列，另有 %2 列未显示（导出包含全部字段）</translation>
    </message>
    <message>
        <source>%1 个值不是数字</source>
        <translation>%1 个值不是数字</translation>
    </message>
    <message>
        <source>%1 个值超出图表范围</source>
        <translation>%1 个值超出图表范围</translation>
    </message>
    <message>
        <source>图表只画前 %1 个数字列，另有 %2 列未画: %3</source>
        <translation>图表只画前 %1 个数字列，另有 %2 列未画: %3</translation>
    </message>
    <message>
        <source>，</source>
        <translation>，</translation>
    </message>
</context>
<context>
    <name>HistoryPdfLayout</name>
    <message>
        <source>第 %1 页 / 共 %2 页</source>
        <translation>第 %1 页 / 共 %2 页</translation>
    </message>
</context>
<context>
    <name>HistoryChartView</name>
    <message>
        <source>重置缩放</source>
        <translation>重置缩放</translation>
    </message>
    <message>
        <source>保存图表</source>
        <translation>保存图表</translation>
    </message>
    <message>
        <source>图表只能保存为 PNG 或 SVG 文件: %1</source>
        <translation>图表只能保存为 PNG 或 SVG 文件: %1</translation>
    </message>
</context>
<context>
    <name>FrameDecoder</name>
    <message>
        <source>CRC错误</source>
        <translation>CRC错误</translation>
    </message>
    <message>
        <source>写入序列号 %1</source>
        <translation>写入序列号 %1</translation>
    </message>
    <message>
        <source>写入应答 %1</source>
        <translation>写入应答 %1</translation>
    </message>
    <message>
        <source>写配置项 %1 &quot;%2&quot;</source>
        <translation>写配置项 %1 &quot;%2&quot;</translation>
    </message>
    <message>
        <source>功能码 %1</source>
        <translation>功能码 %1</translation>
    </message>
    <message>
        <source>加密信封 (CRC错误)</source>
        <translation>加密信封 (CRC错误)</translation>
    </message>
    <message>
        <source>加密信封: %1 [内层 %2]</source>
        <translation>加密信封: %1 [内层 %2]</translation>
    </message>
    <message>
        <source>升级: 擦除</source>
        <translation>升级: 擦除</translation>
    </message>
    <message>
        <source>升级: 擦除 %1 字节</source>
        <translation>升级: 擦除 %1 字节</translation>
    </message>
    <message>
        <source>升级: 数据页</source>
        <translation>升级: 数据页</translation>
    </message>
    <message>
        <source>升级: 第 %1 页, %2 字节</source>
        <translation>升级: 第 %1 页, %2 字节</translation>
    </message>
    <message>
        <source>升级: 识别设备</source>
        <translation>升级: 识别设备</translation>
    </message>
    <message>
        <source>升级: 退出升级</source>
        <translation>升级: 退出升级</translation>
    </message>
    <message>
        <source>升级应答</source>
        <translation>升级应答</translation>
    </message>
    <message>
        <source>升级应答 &quot;%1&quot;</source>
        <translation>升级应答 &quot;%1&quot;</translation>
    </message>
    <message>
        <source>历史数据请求</source>
        <translation>历史数据请求</translation>
    </message>
    <message>
        <source>历史数据请求 %1 至 %2</source>
        <translation>历史数据请求 %1 至 %2</translation>
    </message>
    <message>
        <source>序列号应答 %1</source>
        <translation>序列号应答 %1</translation>
    </message>
    <message>
        <source>应答 %1</source>
        <translation>应答 %1</translation>
    </message>
    <message>
        <source>搜索应答 %1</source>
        <translation>搜索应答 %1</translation>
    </message>
    <message>
        <source>搜索设备</source>
        <translation>搜索设备</translation>
    </message>
    <message>
        <source>文本 &quot;%1&quot;</source>
        <translation>文本 &quot;%1&quot;</translation>
    </message>
    <message>
        <source>时钟应答 %1</source>
        <translation>时钟应答 %1</translation>
    </message>
    <message>
        <source>未知帧, %1 字节</source>
        <translation>未知帧, %1 字节</translation>
    </message>
    <message>
        <source>空</source>
        <translation>空</translation>
    </message>
    <message>
        <source>设置时钟 %1 %2</source>
        <translation>设置时钟 %1 %2</translation>
    </message>
    <message>
        <source>读配置项 %1</source>
        <translation>读配置项 %1</translation>
    </message>
    <message>
        <source>调试开关应答 %1</source>
        <translation>调试开关应答 %1</translation>
    </message>
    <message>
        <source>调试输出关</source>
        <translation>调试输出关</translation>
    </message>
    <message>
        <source>调试输出开</source>
        <translation>调试输出开</translation>
    </message>
    <message>
        <source>配置项 %1 应答 %2</source>
        <translation>配置项 %1 应答 %2</translation>
    </message>
    <message>
        <source>配置项 %1 应答: 列表结束</source>
        <translation>配置项 %1 应答: 列表结束</translation>
    </message>
    <message>
        <source>长度错误</source>
        <translation>长度错误</translation>
    </message>
</context>
<context>
    <name>TrafficLogText</name>
    <message>
        <source>CRC校验失败</source>
        <translation>CRC校验失败</translation>
    </message>
    <message>
        <source>丢弃: 来自 %1 的数据报</source>
        <translation>丢弃: 来自 %1 的数据报</translation>
    </message>
    <message>
        <source>丢弃: 请求前残留的数据</source>
        <translation>丢弃: 请求前残留的数据</translation>
    </message>
    <message>
        <source>应答不完整</source>
        <translation>应答不完整</translation>
    </message>
    <message>
        <source>%1 字节，只保留了前 %2 字节</source>
        <translation>%1 字节，只保留了前 %2 字节</translation>
    </message>
    <message>
        <source>超时: %1 ms 内没有应答</source>
        <translation>超时: %1 ms 内没有应答</translation>
    </message>
    <message>
        <source>设备重复应答: 应答比请求多</source>
        <translation>设备重复应答: 应答比请求多</translation>
    </message>
</context>
<context>
    <name>TrafficWindow</name>
    <message>
        <source>× 丢弃</source>
        <translation>× 丢弃</translation>
    </message>
    <message>
        <source>← 接收</source>
        <translation>← 接收</translation>
    </message>
    <message>
        <source>→ 发送</source>
        <translation>→ 发送</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>保存通讯记录</source>
        <translation>保存通讯记录</translation>
    </message>
    <message>
        <source>内层帧: %1</source>
        <translation>内层帧: %1</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>字节</source>
        <translation>字节</translation>
    </message>
    <message>
        <source>按文字筛选</source>
        <translation>按文字筛选</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>数据</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>文本文件 (*.txt);;所有文件 (*)</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>无法保存 %1: %2</source>
        <translation>无法保存 %1: %2</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>筛选:</source>
        <translation>筛选:</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>说明</translation>
    </message>
    <message>
        <source>通讯记录</source>
        <translation>通讯记录</translation>
    </message>
    <message>
        <source>! 事件</source>
        <translation>! 事件</translation>
    </message>
    <message>
        <source>端点</source>
        <translation>端点</translation>
    </message>
    <message>
        <source>响应(ms)</source>
        <translation>响应(ms)</translation>
    </message>
    <message>
        <source>发送 %1 · 接收 %2 · 失败 %3</source>
        <translation>发送 %1 · 接收 %2 · 失败 %3</translation>
    </message>
    <message>
        <source>跟随最新</source>
        <translation>跟随最新</translation>
    </message>
</context>
<context>
    <name>ItemSafeWrite</name>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>无法创建文件夹 %1</translation>
    </message>
    <message>
        <source>同一秒内的备份过多</source>
        <translation>同一秒内的备份过多</translation>
    </message>
    <message>
        <source>无法保存备份,未写入任何项: %1</source>
        <translation>无法保存备份,未写入任何项: %1</translation>
    </message>
    <message>
        <source>备份已保存: %1</source>
        <translation>备份已保存: %1</translation>
    </message>
    <message>
        <source>核对完成: 写入的 %1 项全部保持</source>
        <translation>核对完成: 写入的 %1 项全部保持</translation>
    </message>
    <message>
        <source>核对完成: %1 项与写入的值不符</source>
        <translation>核对完成: %1 项与写入的值不符</translation>
    </message>
    <message>
        <source>%1: 写入 %2,设备保持 %3</source>
        <translation>%1: 写入 %2,设备保持 %3</translation>
    </message>
    <message>
        <source>%1: 不再应答</source>
        <translation>%1: 不再应答</translation>
    </message>
    <message>
        <source>写入后无法读回配置进行核对: %1</source>
        <translation>写入后无法读回配置进行核对: %1</translation>
    </message>
    <message>
        <source>相同</source>
        <translation>相同</translation>
    </message>
    <message>
        <source>将修改</source>
        <translation>将修改</translation>
    </message>
    <message>
        <source>受保护</source>
        <translation>受保护</translation>
    </message>
    <message>
        <source>设备没有此项</source>
        <translation>设备没有此项</translation>
    </message>
    <message>
        <source>命令项</source>
        <translation>命令项</translation>
    </message>
</context>
<context>
    <name>WritePreviewDialog</name>
    <message>
        <source>写入配置预览</source>
        <translation>写入配置预览</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>设备的值</source>
        <translation>设备的值</translation>
    </message>
    <message>
        <source>要写入的值</source>
        <translation>要写入的值</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>说明</translation>
    </message>
    <message>
        <source>设备保留自己的值,除非勾选此项</source>
        <translation>设备保留自己的值,除非勾选此项</translation>
    </message>
    <message>
        <source>显示未变化的项</source>
        <translation>显示未变化的项</translation>
    </message>
    <message>
        <source>写入选中的项</source>
        <translation>写入选中的项</translation>
    </message>
    <message>
        <source>将写入 %1 项;%2 项未变化,%3 项设备没有</source>
        <translation>将写入 %1 项;%2 项未变化,%3 项设备没有</translation>
    </message>
</context>
<context>
    <name>FleetRunner</name>
    <message>
        <source>%1: 已读 %2 项</source>
        <translation>%1: 已读 %2 项</translation>
    </message>
    <message>
        <source>写入 %1 项,拒绝 %2 项</source>
        <translation>写入 %1 项,拒绝 %2 项</translation>
    </message>
    <message>
        <source>写入 %1/%2: %3</source>
        <translation>写入 %1/%2: %3</translation>
    </message>
    <message>
        <source>写入 0 项,拒绝 %1 项</source>
        <translation>写入 0 项,拒绝 %1 项</translation>
    </message>
    <message>
        <source>型号 %1 不符,跳过</source>
        <translation>型号 %1 不符,跳过</translation>
    </message>
    <message>
        <source>型号未知,跳过</source>
        <translation>型号未知,跳过</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>备份</translation>
    </message>
    <message>
        <source>已停止,未开始</source>
        <translation>已停止,未开始</translation>
    </message>
    <message>
        <source>已读 %1 项</source>
        <translation>已读 %1 项</translation>
    </message>
    <message>
        <source>文件中没有配置项: %1</source>
        <translation>文件中没有配置项: %1</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>更新固件 %1%</source>
        <translation>更新固件 %1%</translation>
    </message>
    <message>
        <source>未开始</source>
        <translation>未开始</translation>
    </message>
    <message>
        <source>未更新固件: </source>
        <translation>未更新固件: </translation>
    </message>
    <message>
        <source>核对</source>
        <translation>核对</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>没有不同的配置项</source>
        <translation>没有不同的配置项</translation>
    </message>
    <message>
        <source>没有这台设备的备份</source>
        <translation>没有这台设备的备份</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>等待</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>读取</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>跳过</translation>
    </message>
    <message>
        <source>进行中</source>
        <translation>进行中</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>错误</translation>
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
        <translation>%1: 跳过 (型号 %2)</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(无)</translation>
    </message>
    <message>
        <source>(未知)</source>
        <translation>(未知)</translation>
    </message>
    <message>
        <source>一行一台: udp 主机:端口 地址 [名称] 或 serial 串口 波特率 地址 [名称]</source>
        <translation>一行一台: udp 主机:端口 地址 [名称] 或 serial 串口 波特率 地址 [名称]</translation>
    </message>
    <message>
        <source>不再开始新的操作;进行中的读写在当前项之后停止,固件更新会完成</source>
        <translation>不再开始新的操作;进行中的读写在当前项之后停止,固件更新会完成</translation>
    </message>
    <message>
        <source>与参考不同</source>
        <translation>与参考不同</translation>
    </message>
    <message>
        <source>保存列表</source>
        <translation>保存列表</translation>
    </message>
    <message>
        <source>保存结果</source>
        <translation>保存结果</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>写入前先备份每台设备,写入后核对。</source>
        <translation>写入前先备份每台设备,写入后核对。</translation>
    </message>
    <message>
        <source>写入后核对。</source>
        <translation>写入后核对。</translation>
    </message>
    <message>
        <source>写入文件</source>
        <translation>写入文件</translation>
    </message>
    <message>
        <source>写入文件时也写入受保护的配置项 (%1)</source>
        <translation>写入文件时也写入受保护的配置项 (%1)</translation>
    </message>
    <message>
        <source>列表已保存到 %1</source>
        <translation>列表已保存到 %1</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>刷新全部</source>
        <translation>刷新全部</translation>
    </message>
    <message>
        <source>包括受保护项</source>
        <translation>包括受保护项</translation>
    </message>
    <message>
        <source>参考文件</source>
        <translation>参考文件</translation>
    </message>
    <message>
        <source>参考文件: %1</source>
        <translation>参考文件: %1</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>受保护的配置项也会写入。</source>
        <translation>受保护的配置项也会写入。</translation>
    </message>
    <message>
        <source>受保护的配置项保持不变。</source>
        <translation>受保护的配置项保持不变。</translation>
    </message>
    <message>
        <source>同步时间</source>
        <translation>同步时间</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>固件文件 (*.zrbin)</source>
        <translation>固件文件 (*.zrbin)</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>备份</translation>
    </message>
    <message>
        <source>备份这些设备的配置到 %1?</source>
        <translation>备份这些设备的配置到 %1?</translation>
    </message>
    <message>
        <source>多台设备</source>
        <translation>多台设备</translation>
    </message>
    <message>
        <source>完成: %1 台正常,%2 台失败,%3 台其他</source>
        <translation>完成: %1 台正常,%2 台失败,%3 台其他</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>恢复备份</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>手动添加</source>
        <translation>手动添加</translation>
    </message>
    <message>
        <source>手动添加...</source>
        <translation>手动添加...</translation>
    </message>
    <message>
        <source>把 %1 中与设备不同的配置项写入这些设备?</source>
        <translation>把 %1 中与设备不同的配置项写入这些设备?</translation>
    </message>
    <message>
        <source>把每台设备最近的备份写回这台设备?</source>
        <translation>把每台设备最近的备份写回这台设备?</translation>
    </message>
    <message>
        <source>把这些设备的时钟设为本机时间?</source>
        <translation>把这些设备的时钟设为本机时间?</translation>
    </message>
    <message>
        <source>把这些设备的配置导出到 %1 (每台设备一个 {名称}.csv)?</source>
        <translation>把这些设备的配置导出到 %1 (每台设备一个 {名称}.csv)?</translation>
    </message>
    <message>
        <source>搜索设备...</source>
        <translation>搜索设备...</translation>
    </message>
    <message>
        <source>无法打开设备列表 %1: %2</source>
        <translation>无法打开设备列表 %1: %2</translation>
    </message>
    <message>
        <source>更新前先备份每台设备。</source>
        <translation>更新前先备份每台设备。</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>更新固件</translation>
    </message>
    <message>
        <source>最近备份</source>
        <translation>最近备份</translation>
    </message>
    <message>
        <source>最近的连接</source>
        <translation>最近的连接</translation>
    </message>
    <message>
        <source>正在停止: 进行中的操作完成后结束</source>
        <translation>正在停止: 进行中的操作完成后结束</translation>
    </message>
    <message>
        <source>正在读取 %1 台设备</source>
        <translation>正在读取 %1 台设备</translation>
    </message>
    <message>
        <source>正在读取 %1</source>
        <translation>正在读取 %1</translation>
    </message>
    <message>
        <source>没有勾选的设备</source>
        <translation>没有勾选的设备</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>用 %1 (型号 %2, 版本 %3) 更新这些设备的固件?</source>
        <translation>用 %1 (型号 %2, 版本 %3) 更新这些设备的固件?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>站点名称</source>
        <translation>站点名称</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>结果已保存到 %1</source>
        <translation>结果已保存到 %1</translation>
    </message>
    <message>
        <source>设备列表 (*.txt *.targets)</source>
        <translation>设备列表 (*.txt *.targets)</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>配置文件 (*.csv)</source>
        <translation>配置文件 (*.csv)</translation>
    </message>
</context>
</TS>
