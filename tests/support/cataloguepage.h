#pragma once

#include <QByteArray>

// A catalogue page as the download server writes it, and one of its rows:
// for the catalogue's suites and the fuzzer's seeds (header only, so that
// the fuzz project needs no library of the tests).
namespace CatalogueFixture {

inline QByteArray page(const QByteArray &entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>down</title></head>"
           "<body><div class=\"list\"><div class=\"header\"><div>名称</div><div>下载</div></div>"
           + entries + "</div></body></html>";
}

inline QByteArray entry(const QByteArray &name, const QByteArray &link)
{
    return "<div class=\"row\"><div> <b>" + name + "</b> </div><div>2024-01-01</div><div><a href=\" " + link
           + " \">下载</a></div></div>";
}

} // namespace CatalogueFixture
