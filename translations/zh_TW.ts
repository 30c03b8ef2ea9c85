<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>DDbServer</name>
    <message>
        <source>解析文件失败,文件不存在或拒绝访问!</source>
        <translation>解析檔案失敗,檔案不存在或拒絕存取!</translation>
    </message>
    <message>
        <source>解析文件失败,打开文件失败,请检查文件类型!</source>
        <translation>解析檔案失敗,無法開啟檔案,請檢查檔案類型!</translation>
    </message>
    <message>
        <source>解析文件失败,文件操作失败!</source>
        <translation>解析檔案失敗,檔案操作失敗!</translation>
    </message>
    <message>
        <source>解析文件失败,无法获取文件内容!</source>
        <translation>解析檔案失敗,無法取得檔案內容!</translation>
    </message>
    <message>
        <source>解析文件失败,文件校验失败!</source>
        <translation>解析檔案失敗,檔案校驗失敗!</translation>
    </message>
    <message>
        <source>解析文件失败,文件过大!</source>
        <translation>解析檔案失敗,檔案過大!</translation>
    </message>
</context>
<context>
    <name>DDialogInputSN</name>
    <message>
        <source>请输入序列号</source>
        <translation>請輸入序號</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>SN输入有误</source>
        <translation>SN 輸入有誤</translation>
    </message>
</context>
<context>
    <name>DeviceLink</name>
    <message>
        <source>打开串口失败: %1</source>
        <translation>開啟序列埠失敗: %1</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>序列埠開啟失敗</translation>
    </message>
    <message>
        <source>发送命令超时</source>
        <translation>傳送命令逾時</translation>
    </message>
    <message>
        <source>接受数据超时</source>
        <translation>接收資料逾時</translation>
    </message>
    <message>
        <source>发送命令失败</source>
        <translation>傳送命令失敗</translation>
    </message>
    <message>
        <source>接收数据超时</source>
        <translation>接收資料逾時</translation>
    </message>
    <message>
        <source>CRC校验错误</source>
        <translation>CRC 校驗錯誤</translation>
    </message>
    <message>
        <source>串口连接已断开</source>
        <translation>序列埠連線已中斷</translation>
    </message>
    <message>
        <source>设备重复应答</source>
        <translation>裝置重複應答</translation>
    </message>
    <message>
        <source>未定义的错误</source>
        <translation>未定義的錯誤</translation>
    </message>
</context>
<context>
    <name>DeviceTypeMgr</name>
    <message>
        <source>获取设备列表失败,请重试!</source>
        <translation>取得裝置清單失敗,請重試!</translation>
    </message>
    <message>
        <source>未设置设备列表地址!</source>
        <translation>未設定裝置清單位址!</translation>
    </message>
    <message>
        <source>设备列表地址无效,请输入 http 或 https 地址!</source>
        <translation>裝置清單位址無效,請輸入 http 或 https 位址!</translation>
    </message>
</context>
<context>
    <name>DownloadThread</name>
    <message>
        <source>下载失败,打开文件失败: %1</source>
        <translation>下載失敗,開啟檔案失敗: %1</translation>
    </message>
    <message>
        <source>下载异常: %1</source>
        <translation>下載異常: %1</translation>
    </message>
    <message>
        <source>下载失败,打开链接失败!</source>
        <translation>下載失敗,開啟連結失敗!</translation>
    </message>
    <message>
        <source>下载异常: 未找到该文件或下载失败</source>
        <translation>下載異常: 找不到該檔案或下載失敗</translation>
    </message>
    <message>
        <source>下载异常: 文件过大(超过%1 MB)</source>
        <translation>下載異常: 檔案過大(超過%1 MB)</translation>
    </message>
    <message>
        <source>下载异常: 服务器在%1秒内没有发送数据</source>
        <translation>下載異常: 伺服器在%1秒內沒有傳送資料</translation>
    </message>
</context>
<context>
    <name>ExchangeThread</name>
    <message>
        <source>正在刷新: 已收到%1项</source>
        <translation>正在重新整理: 已收到%1項</translation>
    </message>
    <message>
        <source>第%1行,共%2行: %3</source>
        <translation>第%1行,共%2行: %3</translation>
    </message>
    <message>
        <source>第%1行,共%2行: 写完本行后停止</source>
        <translation>第%1行,共%2行: 寫完本行後停止</translation>
    </message>
    <message>
        <source>共%1行</source>
        <translation>共%1行</translation>
    </message>
    <message>
        <source>正在同步时间</source>
        <translation>正在同步時間</translation>
    </message>
    <message>
        <source>正在写入SN</source>
        <translation>正在寫入 SN</translation>
    </message>
    <message>
        <source>写入配置已停止: 已写入%1行,共%2行</source>
        <translation>寫入設定已停止: 已寫入%1行,共%2行</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>写完当前行后停止写入</source>
        <translation>寫完目前這行後停止寫入</translation>
    </message>
    <message>
        <source>请等待当前操作结束</source>
        <translation>請等待目前的操作結束</translation>
    </message>
    <message>
        <source>收到当前项后停止读取</source>
        <translation>收到目前這項後停止讀取</translation>
    </message>
    <message>
        <source>正在读取设备配置: 已收到%1项</source>
        <translation>正在讀取裝置設定: 已收到%1項</translation>
    </message>
    <message>
        <source>正在核对 %1/%2</source>
        <translation>正在核對 %1/%2</translation>
    </message>
    <message>
        <source>已写入%1行,核对已停止</source>
        <translation>已寫入%1行,核對已停止</translation>
    </message>
</context>
<context>
    <name>HistoryData</name>
    <message>
        <source>历史数据</source>
        <translation>歷史資料</translation>
    </message>
    <message>
        <source>起始日期:</source>
        <translation>起始日期:</translation>
    </message>
    <message>
        <source>结束日期:</source>
        <translation>結束日期:</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>查詢</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>匯出 CSV</translation>
    </message>
    <message>
        <source>导出PDF</source>
        <translation>匯出 PDF</translation>
    </message>
    <message>
        <source>起始日期应该小于或等于结束日期</source>
        <translation>起始日期應早於或等於結束日期</translation>
    </message>
    <message>
        <source>导出历史数据</source>
        <translation>匯出歷史資料</translation>
    </message>
    <message>
        <source>导出配置</source>
        <translation>匯出設定</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source> - 正在停止查询...</source>
        <translation> - 正在停止查詢...</translation>
    </message>
    <message>
        <source> - 正在导出...</source>
        <translation> - 正在匯出...</translation>
    </message>
    <message>
        <source>打开文件失败: %1</source>
        <translation>開啟檔案失敗: %1</translation>
    </message>
    <message>
        <source>导出数据失败，数据格式错误</source>
        <translation>匯出資料失敗，資料格式錯誤</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>文字</translation>
    </message>
    <message>
        <source>表格</source>
        <translation>表格</translation>
    </message>
    <message>
        <source>图表</source>
        <translation>圖表</translation>
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
        <translation>(無)</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>序列埠</translation>
    </message>
    <message>
        <source>地址 %1</source>
        <translation>位址 %1</translation>
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
        <translation>多台設備</translation>
    </message>
    <message>
        <source>设备的文字无法表示值中的字符“%1”(%2),不能发送</source>
        <translation>裝置的文字無法表示值中的字元「%1」(%2),不能傳送</translation>
    </message>
    <message>
        <source>值中含有控制字符 %1,不能发送</source>
        <translation>值中含有控制字元 %1,不能傳送</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>語言</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>說明</translation>
    </message>
    <message>
        <source>toolBar</source>
        <translation>工具列</translation>
    </message>
    <message>
        <source>通讯设置</source>
        <translation>通訊設定</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>重新整理</translation>
    </message>
    <message>
        <source>导入配置</source>
        <translation>匯入設定</translation>
    </message>
    <message>
        <source>导出配置</source>
        <translation>匯出設定</translation>
    </message>
    <message>
        <source>写入配置</source>
        <translation>寫入設定</translation>
    </message>
    <message>
        <source>同步时间</source>
        <translation>同步時間</translation>
    </message>
    <message>
        <source>历史数据</source>
        <translation>歷史資料</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>更新韌體</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>關於</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>簡體中文</translation>
    </message>
    <message>
        <source>繁體中文</source>
        <translation>繁體中文</translation>
    </message>
    <message>
        <source>设备监听</source>
        <translation>裝置監聽</translation>
    </message>
    <message>
        <source>写入SN</source>
        <translation>寫入 SN</translation>
    </message>
    <message>
        <source>准备就绪</source>
        <translation>準備就緒</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>正在写入配置......</source>
        <translation>正在寫入設定......</translation>
    </message>
    <message>
        <source>提交</source>
        <translation>送出</translation>
    </message>
    <message>
        <source>硬件返回数据校验错误</source>
        <translation>硬體回傳資料校驗錯誤</translation>
    </message>
    <message>
        <source>写入的值过长,最多%1字节</source>
        <translation>寫入的值過長,最多 %1 位元組</translation>
    </message>
    <message>
        <source>写入配置成功</source>
        <translation>寫入設定成功</translation>
    </message>
    <message>
        <source>写入配置失败,该项不支持修改</source>
        <translation>寫入設定失敗,該項不支援修改</translation>
    </message>
    <message>
        <source>写入错误,连接设备失败</source>
        <translation>寫入錯誤,連線裝置失敗</translation>
    </message>
    <message>
        <source>写入配置失败: %1</source>
        <translation>寫入設定失敗: %1</translation>
    </message>
    <message>
        <source>没有应答,该值可能已写入,请刷新核对</source>
        <translation>沒有應答,該值可能已寫入,請重新整理核對</translation>
    </message>
    <message>
        <source>写入配置完成,%1项不支持修改</source>
        <translation>寫入設定完成,%1 項不支援修改</translation>
    </message>
    <message>
        <source>打开文件失败: %1</source>
        <translation>開啟檔案失敗: %1</translation>
    </message>
    <message>
        <source>正在导出配置......</source>
        <translation>正在匯出設定......</translation>
    </message>
    <message>
        <source>写入文件失败: %1</source>
        <translation>寫入檔案失敗: %1</translation>
    </message>
    <message>
        <source>导出配置成功</source>
        <translation>匯出設定成功</translation>
    </message>
    <message>
        <source>正在导入配置......</source>
        <translation>正在匯入設定......</translation>
    </message>
    <message>
        <source>文件解析错误</source>
        <translation>檔案解析錯誤</translation>
    </message>
    <message>
        <source>导入配置成功</source>
        <translation>匯入設定成功</translation>
    </message>
    <message>
        <source>同步时间失败</source>
        <translation>同步時間失敗</translation>
    </message>
    <message>
        <source>同步时间成功</source>
        <translation>同步時間成功</translation>
    </message>
    <message>
        <source>写入SN失败,连接设备失败,请检查通讯设置</source>
        <translation>寫入 SN 失敗,連線裝置失敗,請檢查通訊設定</translation>
    </message>
    <message>
        <source>写入SN失败, %1</source>
        <translation>寫入 SN 失敗, %1</translation>
    </message>
    <message>
        <source>写入SN失败</source>
        <translation>寫入 SN 失敗</translation>
    </message>
    <message>
        <source>写入SN失败, 设备返回错误: %1</source>
        <translation>寫入 SN 失敗, 裝置回傳錯誤: %1</translation>
    </message>
    <message>
        <source>写入SN成功</source>
        <translation>寫入 SN 成功</translation>
    </message>
    <message>
        <source>导出配置失败: %1</source>
        <translation>匯出設定失敗: %1</translation>
    </message>
    <message>
        <source>文件编码错误: 第%1行不是UTF-8、GB2312或Latin-1文本</source>
        <translation>檔案編碼錯誤: 第%1行不是UTF-8、GB2312或Latin-1文字</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>所有檔案 (*)</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>還原備份</translation>
    </message>
    <message>
        <source>没有要写入的项</source>
        <translation>沒有要寫入的項</translation>
    </message>
    <message>
        <source>打开备份文件夹</source>
        <translation>開啟備份資料夾</translation>
    </message>
    <message>
        <source>列表读自另一连接: %1</source>
        <translation>清單讀自另一連線: %1</translation>
    </message>
    <message>
        <source>通讯设置已更改,列表中的配置项读自之前的连接</source>
        <translation>通訊設定已變更,清單中的設定項讀自先前的連線</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>信息</source>
        <translation>訊息</translation>
    </message>
</context>
<context>
    <name>ModifyDialog</name>
    <message>
        <source>Dialog</source>
        <translation>修改項目</translation>
    </message>
    <message>
        <source>提交</source>
        <translation>送出</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>执行命令</source>
        <translation>執行命令</translation>
    </message>
    <message>
        <source>执行命令“%1”?</source>
        <translation>執行命令「%1」?</translation>
    </message>
    <message>
        <source>设备收到后会立即执行此命令。</source>
        <translation>裝置收到後會立即執行此命令。</translation>
    </message>
    <message>
        <source>执行</source>
        <translation>執行</translation>
    </message>
</context>
<context>
    <name>MonitorDialog</name>
    <message>
        <source>设备监听</source>
        <translation>裝置監聽</translation>
    </message>
    <message>
        <source>原始数据</source>
        <translation>原始資料</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>十六進位</translation>
    </message>
    <message>
        <source>原始数据 + 十六进制</source>
        <translation>原始資料 + 十六進位</translation>
    </message>
    <message>
        <source>调试信息</source>
        <translation>除錯訊息</translation>
    </message>
    <message>
        <source>开始监听</source>
        <translation>開始監聽</translation>
    </message>
    <message>
        <source>停止监听</source>
        <translation>停止監聽</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source> - 正在停止监听...</source>
        <translation> - 正在停止監聽...</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>儲存</translation>
    </message>
    <message>
        <source>保存监听数据</source>
        <translation>儲存監聽資料</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>文字檔 (*.txt);;所有檔案 (*)</translation>
    </message>
    <message>
        <source>无法写入 %1: %2</source>
        <translation>無法寫入 %1: %2</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>記錄到檔案</translation>
    </message>
</context>
<context>
    <name>MonitorThread</name>
    <message>
        <source>监听调试</source>
        <translation>監聽除錯</translation>
    </message>
    <message>
        <source>设备监听</source>
        <translation>裝置監聽</translation>
    </message>
    <message>
        <source>串口读取失败</source>
        <translation>序列埠讀取失敗</translation>
    </message>
    <message>
        <source>已丢弃 %1 行</source>
        <translation>已捨棄 %1 行</translation>
    </message>
</context>
<context>
    <name>NeutralAboutDialog</name>
    <message>
        <source>关于</source>
        <translation>關於</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
</context>
<context>
    <name>ReadThread</name>
    <message>
        <source>查询</source>
        <translation>查詢</translation>
    </message>
    <message>
        <source>历史数据超过%1行，已停止读取</source>
        <translation>歷史資料超過%1行，已停止讀取</translation>
    </message>
    <message>
        <source>串口读取失败</source>
        <translation>序列埠讀取失敗</translation>
    </message>
    <message>
        <source>%1行历史数据不完整，传输中丢失了数据</source>
        <translation>%1行歷史資料不完整，傳輸中遺失了資料</translation>
    </message>
</context>
<context>
    <name>RefreshThread</name>
    <message>
        <source>刷新</source>
        <translation>重新整理</translation>
    </message>
    <message>
        <source>数据长度校验错误 : 
%1</source>
        <translation>資料長度校驗錯誤 : 
%1</translation>
    </message>
    <message>
        <source>地址或命令校验错误: 
%1</source>
        <translation>位址或命令校驗錯誤: 
%1</translation>
    </message>
    <message>
        <source>刷新已停止: 已收到%1项</source>
        <translation>重新整理已停止: 已收到%1項</translation>
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
        <translation>不是一般檔案: %1</translation>
    </message>
    <message>
        <source>保存文件失败</source>
        <translation>儲存檔案失敗</translation>
    </message>
    <message>
        <source>创建文件失败</source>
        <translation>建立檔案失敗</translation>
    </message>
    <message>
        <source>文件不存在: %1</source>
        <translation>檔案不存在: %1</translation>
    </message>
    <message>
        <source>文件超过系统允许的大小</source>
        <translation>檔案超過系統允許的大小</translation>
    </message>
    <message>
        <source>文件过大(超过%1 MB): %2</source>
        <translation>檔案過大(超過%1 MB): %2</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>沒有寫入權限</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>磁碟空間不足</translation>
    </message>
    <message>
        <source>写入文件失败</source>
        <translation>寫入檔案失敗</translation>
    </message>
    <message>
        <source>读取文件失败: %1</source>
        <translation>讀取檔案失敗: %1</translation>
    </message>
</context>
<context>
    <name>SearchDeviceDialog</name>
    <message>
        <source>查找设备</source>
        <translation>搜尋裝置</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>搜尋</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>请选择设备</source>
        <translation>請選擇裝置</translation>
    </message>
    <message>
        <source>广播地址</source>
        <translation>廣播位址</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(無)</translation>
    </message>
    <message>
        <source>直接询问：</source>
        <translation>直接詢問：</translation>
    </message>
    <message>
        <source>IP 地址(可选)</source>
        <translation>IP 位址(可選)</translation>
    </message>
    <message>
        <source>请输入有效的IPv4地址</source>
        <translation>請輸入有效的IPv4位址</translation>
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
        <translation>序列埠設定</translation>
    </message>
    <message>
        <source>Serial通讯</source>
        <translation>序列埠通訊</translation>
    </message>
    <message>
        <source>串口号：</source>
        <translation>序列埠：</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>鮑率：</translation>
    </message>
    <message>
        <source>数据位：</source>
        <translation>資料位元：</translation>
    </message>
    <message>
        <source>奇偶校验：</source>
        <translation>同位檢查：</translation>
    </message>
    <message>
        <source>停止位：</source>
        <translation>停止位元：</translation>
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
        <translation>UDP 通訊</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>位址：</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>連接埠：</translation>
    </message>
    <message>
        <source>查找设备</source>
        <translation>搜尋裝置</translation>
    </message>
    <message>
        <source>设备地址：</source>
        <translation>裝置位址：</translation>
    </message>
    <message>
        <source>通讯加密</source>
        <translation>通訊加密</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>None</source>
        <translation>無</translation>
    </message>
    <message>
        <source>Even</source>
        <translation>偶同位</translation>
    </message>
    <message>
        <source>Odd</source>
        <translation>奇同位</translation>
    </message>
    <message>
        <source>Space</source>
        <translation>空白同位</translation>
    </message>
    <message>
        <source>Mark</source>
        <translation>標記同位</translation>
    </message>
    <message>
        <source>请选择串口!</source>
        <translation>請選擇序列埠!</translation>
    </message>
    <message>
        <source>请选择波特率!</source>
        <translation>請選擇鮑率!</translation>
    </message>
    <message>
        <source>请输入UDP地址</source>
        <translation>請輸入 UDP 位址</translation>
    </message>
    <message>
        <source>请输入UDP端口</source>
        <translation>請輸入 UDP 連接埠</translation>
    </message>
    <message>
        <source>最近的连接：</source>
        <translation>最近的連線：</translation>
    </message>
    <message>
        <source>测试连接</source>
        <translation>測試連線</translation>
    </message>
    <message>
        <source>%1,加密</source>
        <translation>%1,加密</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(無)</translation>
    </message>
    <message>
        <source>选择以填入</source>
        <translation>選擇以填入</translation>
    </message>
    <message>
        <source>取消测试</source>
        <translation>取消測試</translation>
    </message>
    <message>
        <source>正在测试 %1 …</source>
        <translation>正在測試 %1 …</translation>
    </message>
    <message>
        <source>测试已取消</source>
        <translation>測試已取消</translation>
    </message>
</context>
<context>
    <name>UpdateDialog</name>
    <message>
        <source>更新固件</source>
        <translation>更新韌體</translation>
    </message>
    <message>
        <source>文件：</source>
        <translation>檔案：</translation>
    </message>
    <message>
        <source>设备：</source>
        <translation>裝置：</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>型號：</translation>
    </message>
    <message>
        <source>版本：</source>
        <translation>版本：</translation>
    </message>
    <message>
        <source>进度：</source>
        <translation>進度：</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>選擇檔案</translation>
    </message>
    <message>
        <source>烧写</source>
        <translation>燒錄</translation>
    </message>
    <message>
        <source>下载文件</source>
        <translation>下載檔案</translation>
    </message>
    <message>
        <source>列表：</source>
        <translation>清單：</translation>
    </message>
    <message>
        <source>路径：</source>
        <translation>路徑：</translation>
    </message>
    <message>
        <source>刷新文件列表</source>
        <translation>重新整理檔案清單</translation>
    </message>
    <message>
        <source>选择路径</source>
        <translation>選擇路徑</translation>
    </message>
    <message>
        <source>更新失败,文件不存在或拒绝访问!</source>
        <translation>更新失敗,檔案不存在或拒絕存取!</translation>
    </message>
    <message>
        <source>固件更新成功!</source>
        <translation>韌體更新成功!</translation>
    </message>
    <message>
        <source>请选择设备类型!</source>
        <translation>請選擇裝置類型!</translation>
    </message>
    <message>
        <source>请选择下载路径!</source>
        <translation>請選擇下載路徑!</translation>
    </message>
    <message>
        <source>文件下载成功!</source>
        <translation>檔案下載成功!</translation>
    </message>
    <message>
        <source>正在更新固件,请等待更新完成!</source>
        <translation>正在更新韌體,請等待更新完成!</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>位址：</translation>
    </message>
    <message>
        <source>固件文件
设备: %1
型号: %2
版本: %3</source>
        <translation>韌體檔案
裝置: %1
型號: %2
版本: %3</translation>
    </message>
    <message>
        <source>设备当前</source>
        <translation>裝置目前</translation>
    </message>
    <message>
        <source>开始更新固件?</source>
        <translation>開始更新韌體?</translation>
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
        <translation>未知(未從目前連線讀取)</translation>
    </message>
    <message>
        <source>无法保存备份,固件未更新: %1</source>
        <translation>無法儲存備份,韌體未更新: %1</translation>
    </message>
    <message>
        <source>不保存备份,继续更新固件?</source>
        <translation>不儲存備份,繼續更新韌體?</translation>
    </message>
    <message>
        <source>不备份更新</source>
        <translation>不備份更新</translation>
    </message>
</context>
<context>
    <name>UpdateThread</name>
    <message>
        <source>固件更新失败,</source>
        <translation>韌體更新失敗,</translation>
    </message>
    <message>
        <source>固件更新失败,重试打开串口失败 ：</source>
        <translation>韌體更新失敗,重試開啟序列埠失敗 ：</translation>
    </message>
    <message>
        <source>固件更新失败,获取设备ID失败!</source>
        <translation>韌體更新失敗,取得裝置 ID 失敗!</translation>
    </message>
    <message>
        <source>固件更新失败,BIN文件与设备型号不一致!</source>
        <translation>韌體更新失敗,BIN 檔案與裝置型號不符!</translation>
    </message>
    <message>
        <source>固件更新失败,擦除设备内存失败!</source>
        <translation>韌體更新失敗,清除裝置記憶體失敗!</translation>
    </message>
    <message>
        <source>固件更新失败,发送文件数据失败!</source>
        <translation>韌體更新失敗,傳送檔案資料失敗!</translation>
    </message>
    <message>
        <source>固件更新失败,文件中没有固件数据!</source>
        <translation>韌體更新失敗,檔案中沒有韌體資料!</translation>
    </message>
</context>
<context>
    <name>ZrvuCli</name>
    <message>
        <source>无法写入标准输出: %1</source>
        <translation>無法寫入標準輸出: %1</translation>
    </message>
    <message>
        <source>文件中没有配置项: %1</source>
        <translation>檔案中沒有設定項: %1</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>更新韌體</translation>
    </message>
    <message>
        <source>固件更新被中断,设备可能需要重新更新固件。</source>
        <translation>韌體更新被中斷,裝置可能需要重新更新韌體。</translation>
    </message>
    <message>
        <source>再按一次 Ctrl-C 强制结束。</source>
        <translation>再按一次 Ctrl-C 強制結束。</translation>
    </message>
    <message>
        <source>下载文件</source>
        <translation>下載檔案</translation>
    </message>
    <message>
        <source>设备没有第%1项</source>
        <translation>裝置沒有第%1項</translation>
    </message>
    <message>
        <source>第%1项是命令项,请用 trigger</source>
        <translation>第%1項是命令項,請用 trigger</translation>
    </message>
    <message>
        <source>第%1项带有值,请用 set</source>
        <translation>第%1項帶有值,請用 set</translation>
    </message>
    <message>
        <source>没有设备应答</source>
        <translation>沒有裝置應答</translation>
    </message>
    <message>
        <source>固件文件中没有设备型号</source>
        <translation>韌體檔案中沒有裝置型號</translation>
    </message>
    <message>
        <source>%1 项不同</source>
        <translation>%1 項不同</translation>
    </message>
    <message>
        <source>写入 %1 项,拒绝 %2 项</source>
        <translation>寫入 %1 項,拒絕 %2 項</translation>
    </message>
    <message>
        <source>程序异常结束</source>
        <translation>程式異常結束</translation>
    </message>
    <message>
        <source>已中断</source>
        <translation>已中斷</translation>
    </message>
    <message>
        <source>未开始</source>
        <translation>未開始</translation>
    </message>
    <message>
        <source>不再开始新的仪器。</source>
        <translation>不再開始新的儀器。</translation>
    </message>
    <message>
        <source>未更新固件;不备份也要更新请加 --no-backup</source>
        <translation>未更新韌體;不備份也要更新請加 --no-backup</translation>
    </message>
</context>
<context>
    <name>ConnectionTest</name>
    <message>
        <source>无法打开连接</source>
        <translation>無法開啟連線</translation>
    </message>
    <message>
        <source>%1,设备地址 %2</source>
        <translation>%1,裝置位址 %2</translation>
    </message>
    <message>
        <source>连接成功(%1):%2</source>
        <translation>連線成功(%1):%2</translation>
    </message>
    <message>
        <source>连接成功(%1):%2 = %3</source>
        <translation>連線成功(%1):%2 = %3</translation>
    </message>
    <message>
        <source>连接成功(%1),设备没有参数项</source>
        <translation>連線成功(%1),裝置沒有參數項</translation>
    </message>
    <message>
        <source>连接失败(%1):%2</source>
        <translation>連線失敗(%1):%2</translation>
    </message>
</context>
<context>
    <name>HistoryTable</name>
    <message>
        <source>时间</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>列 %1</source>
        <translation>欄 %1</translation>
    </message>
    <message>
        <source>没有记录，%1 行不是记录</source>
        <translation>沒有記錄，%1 行不是記錄</translation>
    </message>
    <message>
        <source>%1 条记录，%2 至 %3，%4 行不是记录</source>
        <translation>%1 筆記錄，%2 至 %3，%4 行不是記錄</translation>
    </message>
    <message>
        <source>；表格只显示前 %1 列，另有 %2 列未显示（导出包含全部字段）</source>
        <translation>；表格只顯示前 %1 欄，另有 %2 欄未顯示（匯出包含全部欄位）</translation>
    </message>
    <message>
        <source>%1 个值不是数字</source>
        <translation>%1 個值不是數字</translation>
    </message>
    <message>
        <source>%1 个值超出图表范围</source>
        <translation>%1 個值超出圖表範圍</translation>
    </message>
    <message>
        <source>图表只画前 %1 个数字列，另有 %2 列未画: %3</source>
        <translation>圖表只畫前 %1 個數字欄，另有 %2 欄未畫: %3</translation>
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
        <translation>第 %1 頁 / 共 %2 頁</translation>
    </message>
</context>
<context>
    <name>HistoryChartView</name>
    <message>
        <source>重置缩放</source>
        <translation>重設縮放</translation>
    </message>
    <message>
        <source>保存图表</source>
        <translation>儲存圖表</translation>
    </message>
    <message>
        <source>图表只能保存为 PNG 或 SVG 文件: %1</source>
        <translation>圖表只能儲存為 PNG 或 SVG 檔案: %1</translation>
    </message>
</context>
<context>
    <name>FrameDecoder</name>
    <message>
        <source>CRC错误</source>
        <translation>CRC錯誤</translation>
    </message>
    <message>
        <source>写入序列号 %1</source>
        <translation>寫入序號 %1</translation>
    </message>
    <message>
        <source>写入应答 %1</source>
        <translation>寫入應答 %1</translation>
    </message>
    <message>
        <source>写配置项 %1 &quot;%2&quot;</source>
        <translation>寫設定項 %1 &quot;%2&quot;</translation>
    </message>
    <message>
        <source>功能码 %1</source>
        <translation>功能碼 %1</translation>
    </message>
    <message>
        <source>加密信封 (CRC错误)</source>
        <translation>加密封包 (CRC錯誤)</translation>
    </message>
    <message>
        <source>加密信封: %1 [内层 %2]</source>
        <translation>加密封包: %1 [內層 %2]</translation>
    </message>
    <message>
        <source>升级: 擦除</source>
        <translation>升級: 抹除</translation>
    </message>
    <message>
        <source>升级: 擦除 %1 字节</source>
        <translation>升級: 抹除 %1 位元組</translation>
    </message>
    <message>
        <source>升级: 数据页</source>
        <translation>升級: 資料頁</translation>
    </message>
    <message>
        <source>升级: 第 %1 页, %2 字节</source>
        <translation>升級: 第 %1 頁, %2 位元組</translation>
    </message>
    <message>
        <source>升级: 识别设备</source>
        <translation>升級: 識別裝置</translation>
    </message>
    <message>
        <source>升级: 退出升级</source>
        <translation>升級: 結束升級</translation>
    </message>
    <message>
        <source>升级应答</source>
        <translation>升級應答</translation>
    </message>
    <message>
        <source>升级应答 &quot;%1&quot;</source>
        <translation>升級應答 &quot;%1&quot;</translation>
    </message>
    <message>
        <source>历史数据请求</source>
        <translation>歷史資料請求</translation>
    </message>
    <message>
        <source>历史数据请求 %1 至 %2</source>
        <translation>歷史資料請求 %1 至 %2</translation>
    </message>
    <message>
        <source>序列号应答 %1</source>
        <translation>序號應答 %1</translation>
    </message>
    <message>
        <source>应答 %1</source>
        <translation>應答 %1</translation>
    </message>
    <message>
        <source>搜索应答 %1</source>
        <translation>搜尋應答 %1</translation>
    </message>
    <message>
        <source>搜索设备</source>
        <translation>搜尋裝置</translation>
    </message>
    <message>
        <source>文本 &quot;%1&quot;</source>
        <translation>文字 &quot;%1&quot;</translation>
    </message>
    <message>
        <source>时钟应答 %1</source>
        <translation>時鐘應答 %1</translation>
    </message>
    <message>
        <source>未知帧, %1 字节</source>
        <translation>未知訊框, %1 位元組</translation>
    </message>
    <message>
        <source>空</source>
        <translation>空</translation>
    </message>
    <message>
        <source>设置时钟 %1 %2</source>
        <translation>設定時鐘 %1 %2</translation>
    </message>
    <message>
        <source>读配置项 %1</source>
        <translation>讀設定項 %1</translation>
    </message>
    <message>
        <source>调试开关应答 %1</source>
        <translation>除錯開關應答 %1</translation>
    </message>
    <message>
        <source>调试输出关</source>
        <translation>除錯輸出關</translation>
    </message>
    <message>
        <source>调试输出开</source>
        <translation>除錯輸出開</translation>
    </message>
    <message>
        <source>配置项 %1 应答 %2</source>
        <translation>設定項 %1 應答 %2</translation>
    </message>
    <message>
        <source>配置项 %1 应答: 列表结束</source>
        <translation>設定項 %1 應答: 清單結束</translation>
    </message>
    <message>
        <source>长度错误</source>
        <translation>長度錯誤</translation>
    </message>
</context>
<context>
    <name>TrafficLogText</name>
    <message>
        <source>CRC校验失败</source>
        <translation>CRC校驗失敗</translation>
    </message>
    <message>
        <source>丢弃: 来自 %1 的数据报</source>
        <translation>丟棄: 來自 %1 的資料包</translation>
    </message>
    <message>
        <source>丢弃: 请求前残留的数据</source>
        <translation>丟棄: 請求前殘留的資料</translation>
    </message>
    <message>
        <source>应答不完整</source>
        <translation>應答不完整</translation>
    </message>
    <message>
        <source>%1 字节，只保留了前 %2 字节</source>
        <translation>%1 位元組，只保留了前 %2 位元組</translation>
    </message>
    <message>
        <source>超时: %1 ms 内没有应答</source>
        <translation>逾時: %1 ms 內沒有應答</translation>
    </message>
    <message>
        <source>设备重复应答: 应答比请求多</source>
        <translation>裝置重複應答: 應答比請求多</translation>
    </message>
</context>
<context>
    <name>TrafficWindow</name>
    <message>
        <source>× 丢弃</source>
        <translation>× 丟棄</translation>
    </message>
    <message>
        <source>← 接收</source>
        <translation>← 接收</translation>
    </message>
    <message>
        <source>→ 发送</source>
        <translation>→ 傳送</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>串列埠</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>儲存</translation>
    </message>
    <message>
        <source>保存通讯记录</source>
        <translation>儲存通訊記錄</translation>
    </message>
    <message>
        <source>内层帧: %1</source>
        <translation>內層訊框: %1</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>複製</translation>
    </message>
    <message>
        <source>字节</source>
        <translation>位元組</translation>
    </message>
    <message>
        <source>按文字筛选</source>
        <translation>依文字篩選</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>資料</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>文字檔 (*.txt);;所有檔案 (*)</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>无法保存 %1: %2</source>
        <translation>無法儲存 %1: %2</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>時間</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>暫停</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>筛选:</source>
        <translation>篩選:</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>說明</translation>
    </message>
    <message>
        <source>通讯记录</source>
        <translation>通訊記錄</translation>
    </message>
    <message>
        <source>! 事件</source>
        <translation>! 事件</translation>
    </message>
    <message>
        <source>端点</source>
        <translation>端點</translation>
    </message>
    <message>
        <source>响应(ms)</source>
        <translation>回應(ms)</translation>
    </message>
    <message>
        <source>发送 %1 · 接收 %2 · 失败 %3</source>
        <translation>傳送 %1 · 接收 %2 · 失敗 %3</translation>
    </message>
    <message>
        <source>跟随最新</source>
        <translation>跟隨最新</translation>
    </message>
</context>
<context>
    <name>ItemSafeWrite</name>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>無法建立資料夾 %1</translation>
    </message>
    <message>
        <source>同一秒内的备份过多</source>
        <translation>同一秒內的備份過多</translation>
    </message>
    <message>
        <source>无法保存备份,未写入任何项: %1</source>
        <translation>無法儲存備份,未寫入任何項: %1</translation>
    </message>
    <message>
        <source>备份已保存: %1</source>
        <translation>備份已儲存: %1</translation>
    </message>
    <message>
        <source>核对完成: 写入的 %1 项全部保持</source>
        <translation>核對完成: 寫入的 %1 項全部保持</translation>
    </message>
    <message>
        <source>核对完成: %1 项与写入的值不符</source>
        <translation>核對完成: %1 項與寫入的值不符</translation>
    </message>
    <message>
        <source>%1: 写入 %2,设备保持 %3</source>
        <translation>%1: 寫入 %2,裝置保持 %3</translation>
    </message>
    <message>
        <source>%1: 不再应答</source>
        <translation>%1: 不再應答</translation>
    </message>
    <message>
        <source>写入后无法读回配置进行核对: %1</source>
        <translation>寫入後無法讀回設定進行核對: %1</translation>
    </message>
    <message>
        <source>相同</source>
        <translation>相同</translation>
    </message>
    <message>
        <source>将修改</source>
        <translation>將修改</translation>
    </message>
    <message>
        <source>受保护</source>
        <translation>受保護</translation>
    </message>
    <message>
        <source>设备没有此项</source>
        <translation>裝置沒有此項</translation>
    </message>
    <message>
        <source>命令项</source>
        <translation>命令項</translation>
    </message>
</context>
<context>
    <name>WritePreviewDialog</name>
    <message>
        <source>写入配置预览</source>
        <translation>寫入設定預覽</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>名稱</translation>
    </message>
    <message>
        <source>设备的值</source>
        <translation>裝置的值</translation>
    </message>
    <message>
        <source>要写入的值</source>
        <translation>要寫入的值</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>說明</translation>
    </message>
    <message>
        <source>设备保留自己的值,除非勾选此项</source>
        <translation>裝置保留自己的值,除非勾選此項</translation>
    </message>
    <message>
        <source>显示未变化的项</source>
        <translation>顯示未變化的項</translation>
    </message>
    <message>
        <source>写入选中的项</source>
        <translation>寫入選中的項</translation>
    </message>
    <message>
        <source>将写入 %1 项;%2 项未变化,%3 项设备没有</source>
        <translation>將寫入 %1 項;%2 項未變化,%3 項裝置沒有</translation>
    </message>
</context>
<context>
    <name>FleetRunner</name>
    <message>
        <source>%1: 已读 %2 项</source>
        <translation>%1: 已讀 %2 項</translation>
    </message>
    <message>
        <source>写入 %1 项,拒绝 %2 项</source>
        <translation>寫入 %1 項,拒絕 %2 項</translation>
    </message>
    <message>
        <source>写入 %1/%2: %3</source>
        <translation>寫入 %1/%2: %3</translation>
    </message>
    <message>
        <source>写入 0 项,拒绝 %1 项</source>
        <translation>寫入 0 項,拒絕 %1 項</translation>
    </message>
    <message>
        <source>型号 %1 不符,跳过</source>
        <translation>型號 %1 不符,跳過</translation>
    </message>
    <message>
        <source>型号未知,跳过</source>
        <translation>型號未知,跳過</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>備份</translation>
    </message>
    <message>
        <source>已停止,未开始</source>
        <translation>已停止,未開始</translation>
    </message>
    <message>
        <source>已读 %1 项</source>
        <translation>已讀 %1 項</translation>
    </message>
    <message>
        <source>文件中没有配置项: %1</source>
        <translation>檔案中沒有設定項: %1</translation>
    </message>
    <message>
        <source>无应答</source>
        <translation>無應答</translation>
    </message>
    <message>
        <source>更新固件 %1%</source>
        <translation>更新韌體 %1%</translation>
    </message>
    <message>
        <source>未开始</source>
        <translation>未開始</translation>
    </message>
    <message>
        <source>未更新固件: </source>
        <translation>未更新韌體: </translation>
    </message>
    <message>
        <source>核对</source>
        <translation>核對</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>没有不同的配置项</source>
        <translation>沒有不同的設定項</translation>
    </message>
    <message>
        <source>没有这台设备的备份</source>
        <translation>沒有這台設備的備份</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>等待</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>讀取</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>跳過</translation>
    </message>
    <message>
        <source>进行中</source>
        <translation>進行中</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>錯誤</translation>
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
        <translation>%1: 跳過 (型號 %2)</translation>
    </message>
    <message>
        <source>(无)</source>
        <translation>(無)</translation>
    </message>
    <message>
        <source>(未知)</source>
        <translation>(未知)</translation>
    </message>
    <message>
        <source>一行一台: udp 主机:端口 地址 [名称] 或 serial 串口 波特率 地址 [名称]</source>
        <translation>一行一台: udp 主機:連接埠 位址 [名稱] 或 serial 串列埠 鮑率 位址 [名稱]</translation>
    </message>
    <message>
        <source>不再开始新的操作;进行中的读写在当前项之后停止,固件更新会完成</source>
        <translation>不再開始新的操作;進行中的讀寫在目前項目之後停止,韌體更新會完成</translation>
    </message>
    <message>
        <source>与参考不同</source>
        <translation>與參考不同</translation>
    </message>
    <message>
        <source>保存列表</source>
        <translation>儲存清單</translation>
    </message>
    <message>
        <source>保存结果</source>
        <translation>儲存結果</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>写入前先备份每台设备,写入后核对。</source>
        <translation>寫入前先備份每台設備,寫入後核對。</translation>
    </message>
    <message>
        <source>写入后核对。</source>
        <translation>寫入後核對。</translation>
    </message>
    <message>
        <source>写入文件</source>
        <translation>寫入檔案</translation>
    </message>
    <message>
        <source>写入文件时也写入受保护的配置项 (%1)</source>
        <translation>寫入檔案時也寫入受保護的設定項 (%1)</translation>
    </message>
    <message>
        <source>列表已保存到 %1</source>
        <translation>清單已儲存到 %1</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>刪除</translation>
    </message>
    <message>
        <source>刷新全部</source>
        <translation>重新整理全部</translation>
    </message>
    <message>
        <source>包括受保护项</source>
        <translation>包括受保護項</translation>
    </message>
    <message>
        <source>参考文件</source>
        <translation>參考檔案</translation>
    </message>
    <message>
        <source>参考文件: %1</source>
        <translation>參考檔案: %1</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>受保护的配置项也会写入。</source>
        <translation>受保護的設定項也會寫入。</translation>
    </message>
    <message>
        <source>受保护的配置项保持不变。</source>
        <translation>受保護的設定項保持不變。</translation>
    </message>
    <message>
        <source>同步时间</source>
        <translation>同步時間</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>名稱</translation>
    </message>
    <message>
        <source>固件文件 (*.zrbin)</source>
        <translation>韌體檔案 (*.zrbin)</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>韌體版本</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>位址</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>型號</translation>
    </message>
    <message>
        <source>备份</source>
        <translation>備份</translation>
    </message>
    <message>
        <source>备份这些设备的配置到 %1?</source>
        <translation>備份這些設備的設定到 %1?</translation>
    </message>
    <message>
        <source>多台设备</source>
        <translation>多台設備</translation>
    </message>
    <message>
        <source>完成: %1 台正常,%2 台失败,%3 台其他</source>
        <translation>完成: %1 台正常,%2 台失敗,%3 台其他</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>匯出</translation>
    </message>
    <message>
        <source>恢复备份</source>
        <translation>還原備份</translation>
    </message>
    <message>
        <source>所有文件 (*)</source>
        <translation>所有檔案 (*)</translation>
    </message>
    <message>
        <source>手动添加</source>
        <translation>手動新增</translation>
    </message>
    <message>
        <source>手动添加...</source>
        <translation>手動新增...</translation>
    </message>
    <message>
        <source>把 %1 中与设备不同的配置项写入这些设备?</source>
        <translation>把 %1 中與設備不同的設定項寫入這些設備?</translation>
    </message>
    <message>
        <source>把每台设备最近的备份写回这台设备?</source>
        <translation>把每台設備最近的備份寫回這台設備?</translation>
    </message>
    <message>
        <source>把这些设备的时钟设为本机时间?</source>
        <translation>把這些設備的時鐘設為本機時間?</translation>
    </message>
    <message>
        <source>把这些设备的配置导出到 %1 (每台设备一个 {名称}.csv)?</source>
        <translation>把這些設備的設定匯出到 %1 (每台設備一個 {名稱}.csv)?</translation>
    </message>
    <message>
        <source>搜索设备...</source>
        <translation>搜尋設備...</translation>
    </message>
    <message>
        <source>无法打开设备列表 %1: %2</source>
        <translation>無法開啟設備清單 %1: %2</translation>
    </message>
    <message>
        <source>更新前先备份每台设备。</source>
        <translation>更新前先備份每台設備。</translation>
    </message>
    <message>
        <source>更新固件</source>
        <translation>更新韌體</translation>
    </message>
    <message>
        <source>最近备份</source>
        <translation>最近備份</translation>
    </message>
    <message>
        <source>最近的连接</source>
        <translation>最近的連線</translation>
    </message>
    <message>
        <source>正在停止: 进行中的操作完成后结束</source>
        <translation>正在停止: 進行中的操作完成後結束</translation>
    </message>
    <message>
        <source>正在读取 %1 台设备</source>
        <translation>正在讀取 %1 台設備</translation>
    </message>
    <message>
        <source>正在读取 %1</source>
        <translation>正在讀取 %1</translation>
    </message>
    <message>
        <source>没有勾选的设备</source>
        <translation>沒有勾選的設備</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>新增</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>狀態</translation>
    </message>
    <message>
        <source>用 %1 (型号 %2, 版本 %3) 更新这些设备的固件?</source>
        <translation>用 %1 (型號 %2, 版本 %3) 更新這些設備的韌體?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>確定</translation>
    </message>
    <message>
        <source>站点名称</source>
        <translation>站點名稱</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>結果</translation>
    </message>
    <message>
        <source>结果已保存到 %1</source>
        <translation>結果已儲存到 %1</translation>
    </message>
    <message>
        <source>设备列表 (*.txt *.targets)</source>
        <translation>設備清單 (*.txt *.targets)</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>連線</translation>
    </message>
    <message>
        <source>配置文件 (*.csv)</source>
        <translation>設定檔案 (*.csv)</translation>
    </message>
</context>
</TS>
