# The files file_import_export.vks reads: a browser's bookmark file with nested
# folders, a duplicate and two browser-only entries, and a text file long enough to
# show the progress window.
file(WRITE ${WORKDIR}/bookmarks.html [=[<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3>Shopping</H3>
    <DL><p>
        <DT><A HREF="https://bookshop.example/">Books</A>
        <DT><A HREF="https://shoes.example/">Shoes</A>
        <DT><H3>Old</H3>
        <DL><p>
            <DT><A HREF="https://workshops.example/">Workshops</A>
        </DL><p>
    </DL><p>
    <DT><A HREF="https://news.example/">News</A>
    <DT><A HREF="https://bookshop.example/">Books again</A>
    <DT><A HREF="https://weather.example/today">Weather</A>
    <DT><A HREF="javascript:alert(1)">A bookmarklet</A>
    <DT><A HREF="place:sort=8">Recently visited</A>
</DL><p>
]=])
set(lines "")
foreach(n RANGE 1 1500)
  string(APPEND lines "https://long.example/page/${n}\n")
endforeach()
file(WRITE ${WORKDIR}/long.txt "${lines}")
