/* Scale.rexx - a Pagimo tool: scales a placed picture's pixels to the size
 * the user dragged, with ImageMagick's convert.
 *
 *   rexx Scale.rexx "FILE" WIDTHPERCENT HEIGHTPERCENT
 *
 * FILE is the picture in the project's pictures folder, in double quotes,
 * every blank written as "#" (a name that holds "#" itself is tried as it
 * stands first); the percentages are those of the dragged box to the
 * picture's own size. Every command runs through ADDRESS COMMAND, never a
 * shell: the name is one quoted word, so no character of it is taken as
 * syntax. ImageMagick only ever sees the plain names of a private working
 * folder. Ends with 0 when the picture was scaled, 1 or 2 (with a line on
 * standard error) when it was left as it was. */
trace off
parse arg args
file = PictureName(args)
parse value substr(args, lastpos('"', args) + 1) with width height rest
if \datatype(width, 'W') | \datatype(height, 'W') | rest \= '' then
    call Fail 2, 'the width and height must be whole percentages'
if width <= 0 | height <= 0 then
    call Fail 1, 'no size was dragged to scale to'
exit Convert(file, '-resize' width'%x'height'%!')

/* ---- the picture's name from the argument */

/* The text between the first and the last double quote, with "#" back to
 * blanks unless the name exists as it stands. */
PictureName: procedure
    parse arg args
    args = strip(args, 'L')
    last = lastpos('"', args)
    if left(args, 1) \= '"' | last < 2 then
        call Fail 2, 'usage: "FILE" with every blank written as "#"'
    name = substr(args, 2, last - 2)
    if stream(name, 'c', 'query exists') = '' then
        name = translate(name, ' ', '#')
    if stream(name, 'c', 'query exists') = '' then
        call Fail 1, 'no such picture:' name
    return name

/* ---- converting in a private working folder */

/* Copies the picture into a new working folder, converts it there under
 * plain names, and copies the result back over the picture. */
Convert: procedure
    parse arg file, options
    ext = translate(substr(file, lastpos('.', file) + 1))
    select
        when ext = 'PNG' then format = 'png'
        when ext = 'JPG' | ext = 'JPEG' then format = 'jpg'
        otherwise call Fail 1, 'not a PNG or JPEG picture:' file
    end
    address command 'mktemp -d' with output stem dir.
    if rc \= 0 | dir.0 < 1 then
        call Fail 1, 'no working folder'
    home = directory()
    call directory dir.1
    address command 'cp --' Quote(file) 'in.'format
    ok = rc = 0
    if ok then do
        address command 'convert' format':in.'format options format':out.'format
        ok = rc = 0
    end
    if ok then do
        address command 'cp -- out.'format Quote(file)
        ok = rc = 0
    end
    call directory home
    address command 'rm -rf --' Quote(dir.1)
    if \ok then
        call Fail 1, 'convert failed on' file
    return 0

/* One word for ADDRESS COMMAND: in double quotes, with backslash before
 * every backslash and double quote. */
Quote: procedure
    parse arg text
    out = ''
    do i = 1 to length(text)
        c = substr(text, i, 1)
        if c = '\' | c = '"' then
            out = out || '\'
        out = out || c
    end
    return '"' || out || '"'

Fail: procedure
    parse arg code, text
    call lineout 'stderr', 'Scale.rexx:' text
    exit code
