#include "support/FieldSchemas.h"

namespace testsupport {

FieldSchema filmRentalShop()
{
    FieldSchema s;
    s.name = "film rental shop";
    s.setup = {
        // The staff and the stores point at each other: the keys are checked only once both are in.
        "set foreign_key_checks = 0",
        "create table country (country_id smallint unsigned not null auto_increment primary key,"
        " country varchar(50) not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp)",
        "create table city (city_id smallint unsigned not null auto_increment primary key,"
        " city varchar(50) not null, country_id smallint unsigned not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " key idx_fk_country_id (country_id),"
        " constraint fk_city_country foreign key (country_id) references country (country_id) on update cascade)",
        "create table address (address_id smallint unsigned not null auto_increment primary key,"
        " address varchar(50) not null, address2 varchar(50) default null, district varchar(20) not null,"
        " city_id smallint unsigned not null, postal_code varchar(10) default null, phone varchar(20) not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " key idx_fk_city_id (city_id),"
        " constraint fk_address_city foreign key (city_id) references city (city_id) on update cascade)",
        "create table language (language_id tinyint unsigned not null auto_increment primary key,"
        " name char(20) not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp)",
        "create table staff (staff_id tinyint unsigned not null auto_increment primary key,"
        " first_name varchar(45) not null, last_name varchar(45) not null, address_id smallint unsigned not null,"
        " picture blob default null, email varchar(50) default null, store_id tinyint unsigned not null,"
        " active boolean not null default true, username varchar(16) not null, password varchar(40) default null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " key idx_fk_store_id (store_id), key idx_fk_address_id (address_id),"
        " constraint fk_staff_address foreign key (address_id) references address (address_id),"
        " constraint fk_staff_store foreign key (store_id) references store (store_id))",
        "create table store (store_id tinyint unsigned not null auto_increment primary key,"
        " manager_staff_id tinyint unsigned not null, address_id smallint unsigned not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " unique key idx_unique_manager (manager_staff_id), key idx_fk_address_id (address_id),"
        " constraint fk_store_staff foreign key (manager_staff_id) references staff (staff_id),"
        " constraint fk_store_address foreign key (address_id) references address (address_id))",
        "create table customer (customer_id smallint unsigned not null auto_increment primary key,"
        " store_id tinyint unsigned not null, first_name varchar(45) not null, last_name varchar(45) not null,"
        " email varchar(50) default null check (email like '%@%'), address_id smallint unsigned not null,"
        " active boolean not null default true, create_date datetime not null,"
        " last_update timestamp null default current_timestamp on update current_timestamp,"
        " key idx_fk_store_id (store_id), key idx_fk_address_id (address_id), key idx_last_name (last_name),"
        " constraint fk_customer_address foreign key (address_id) references address (address_id),"
        " constraint fk_customer_store foreign key (store_id) references store (store_id))"
        " comment 'people who rent'",
        "create table film (film_id smallint unsigned not null auto_increment primary key,"
        " title varchar(128) not null, description text default null, release_year year default null,"
        " language_id tinyint unsigned not null, original_language_id tinyint unsigned default null,"
        " rental_duration tinyint unsigned not null default 3, rental_rate decimal(4,2) not null default 4.99,"
        " length smallint unsigned default null, replacement_cost decimal(5,2) not null default 19.99,"
        " rating enum('G','PG','PG-13','R','NC-17') default 'G',"
        " special_features set('Trailers','Commentaries','Deleted Scenes','Behind the Scenes') default null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " constraint chk_rate check (rental_rate >= 0), constraint chk_length check (length is null or length"
        " between 1 and 1000), constraint chk_title check (crc32(title) <> 0),"
        " key idx_title (title), key idx_fk_language_id (language_id),"
        " key idx_fk_original_language_id (original_language_id),"
        " constraint fk_film_language foreign key (language_id) references language (language_id),"
        " constraint fk_film_language_original foreign key (original_language_id)"
        " references language (language_id)) comment 'what can be rented'",
        "create table actor (actor_id smallint unsigned not null auto_increment primary key,"
        " first_name varchar(45) not null, last_name varchar(45) not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " key idx_actor_last_name (last_name))",
        "create table film_actor (actor_id smallint unsigned not null, film_id smallint unsigned not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " primary key (actor_id, film_id), key idx_fk_film_id (film_id),"
        " constraint fk_film_actor_actor foreign key (actor_id) references actor (actor_id),"
        " constraint fk_film_actor_film foreign key (film_id) references film (film_id))",
        "create table category (category_id tinyint unsigned not null auto_increment primary key,"
        " name varchar(25) not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp)",
        "create table film_category (film_id smallint unsigned not null, category_id tinyint unsigned not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " primary key (film_id, category_id),"
        " constraint fk_film_category_film foreign key (film_id) references film (film_id),"
        " constraint fk_film_category_category foreign key (category_id) references category (category_id))",
        "create table inventory (inventory_id mediumint unsigned not null auto_increment primary key,"
        " film_id smallint unsigned not null, store_id tinyint unsigned not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " key idx_fk_film_id (film_id), key idx_store_id_film_id (store_id, film_id),"
        " constraint fk_inventory_store foreign key (store_id) references store (store_id),"
        " constraint fk_inventory_film foreign key (film_id) references film (film_id))",
        "create table rental (rental_id int not null auto_increment primary key, rental_date datetime not null,"
        " inventory_id mediumint unsigned not null, customer_id smallint unsigned not null,"
        " return_date datetime default null, staff_id tinyint unsigned not null,"
        " last_update timestamp not null default current_timestamp on update current_timestamp,"
        " unique key rental_date (rental_date, inventory_id, customer_id), key idx_fk_inventory_id (inventory_id),"
        " key idx_fk_customer_id (customer_id), key idx_fk_staff_id (staff_id),"
        " constraint fk_rental_staff foreign key (staff_id) references staff (staff_id),"
        " constraint fk_rental_inventory foreign key (inventory_id) references inventory (inventory_id),"
        " constraint fk_rental_customer foreign key (customer_id) references customer (customer_id))",
        "create table payment (payment_id smallint unsigned not null auto_increment primary key,"
        " customer_id smallint unsigned not null, staff_id tinyint unsigned not null, rental_id int default null,"
        " amount decimal(5,2) not null, payment_date datetime not null,"
        " last_update timestamp null default current_timestamp on update current_timestamp,"
        " key idx_fk_staff_id (staff_id), key idx_fk_customer_id (customer_id),"
        " constraint fk_payment_rental foreign key (rental_id) references rental (rental_id) on delete set null,"
        " constraint fk_payment_customer foreign key (customer_id) references customer (customer_id),"
        " constraint fk_payment_staff foreign key (staff_id) references staff (staff_id))",
        "insert into country (country) select concat('Country ', seq) from seq_1_to_20",
        "insert into city (city, country_id) select concat(elt(seq % 4 + 1, 'São ', 'Łódź ', 'Köln ', ''), 'City ',"
        " seq), seq % 20 + 1 from seq_1_to_60",
        "insert into address (address, address2, district, city_id, postal_code, phone)"
        " select concat(seq, ' Main Street'), if(seq % 3 = 0, null, ''), concat('District ', seq % 7),"
        " seq % 60 + 1, if(seq % 5 = 0, null, lpad(seq, 5, '0')), concat('555-', seq) from seq_1_to_120",
        "insert into language (name) values ('English'), ('Italian'), ('Japanese'), ('Mandarin'), ('French')",
        "insert into staff (first_name, last_name, address_id, email, store_id, username, password)"
        " values ('Mike', 'Hillyer', 3, 'mike@shop', 1, 'mike', 'x'), ('Jon', 'Stephens', 4, null, 2, 'jon', null)",
        "insert into store (manager_staff_id, address_id) values (1, 1), (2, 2)",
        "insert into customer (store_id, first_name, last_name, email, address_id, active, create_date)"
        " select seq % 2 + 1, concat('First', seq), concat('Last', seq % 40), concat('c', seq, '@mail'),"
        " seq % 115 + 5, seq % 9 <> 0, '2020-02-14 22:04:36' + interval seq minute from seq_1_to_300",
        "insert into film (title, description, release_year, language_id, original_language_id, rental_duration,"
        " rental_rate, length, replacement_cost, rating, special_features)"
        " select concat('FILM TITLE ', seq), if(seq % 6 = 0, null, repeat('A story. ', seq % 30)), 2000 + seq % 10,"
        " seq % 5 + 1, if(seq % 4 = 0, 2, null), seq % 5 + 3, elt(seq % 3 + 1, 0.99, 2.99, 4.99), seq % 140 + 46,"
        " 9.99 + seq % 20, elt(seq % 5 + 1, 'G', 'PG', 'PG-13', 'R', 'NC-17'),"
        " elt(seq % 4 + 1, 'Trailers', 'Commentaries,Deleted Scenes', '', null) from seq_1_to_200",
        "insert into actor (first_name, last_name) select concat('ACTOR', seq), concat('SURNAME', seq % 50)"
        " from seq_1_to_100",
        "insert into film_actor (actor_id, film_id) select seq % 100 + 1, seq div 100 + 1 from seq_0_to_999",
        "insert into category (name) values ('Action'), ('Animation'), ('Children'), ('Classics'), ('Comedy'),"
        " ('Documentary'), ('Drama'), ('Family'), ('Foreign'), ('Games')",
        "insert into film_category (film_id, category_id) select seq, seq % 10 + 1 from seq_1_to_200",
        "insert into inventory (film_id, store_id) select seq % 200 + 1, seq % 2 + 1 from seq_1_to_900",
        "insert into rental (rental_date, inventory_id, customer_id, return_date, staff_id)"
        " select '2005-05-24 22:53:30' + interval seq hour, seq % 900 + 1, seq % 300 + 1,"
        " if(seq % 11 = 0, null, '2005-05-26 22:04:30' + interval seq hour), seq % 2 + 1 from seq_1_to_3000",
        "insert into payment (customer_id, staff_id, rental_id, amount, payment_date)"
        " select seq % 300 + 1, seq % 2 + 1, if(seq % 50 = 0, null, seq), elt(seq % 4 + 1, 0.99, 2.99, 4.99, 10.99),"
        " '2005-05-25 11:30:37' + interval seq hour from seq_1_to_3000",
        "set foreign_key_checks = 1",
        "create view customer_list as select cu.customer_id as id, concat(cu.first_name, ' ', cu.last_name) as name,"
        " a.address, a.postal_code as `zip code`, a.phone, city.city, country.country,"
        " if(cu.active, 'active', '') as notes, cu.store_id as sid from customer as cu"
        " join address as a on cu.address_id = a.address_id join city on a.city_id = city.city_id"
        " join country on city.country_id = country.country_id",
        "create view sales_by_store as select s.store_id, sum(p.amount) as total_sales from payment as p"
        " join rental as r on p.rental_id = r.rental_id join inventory as i on r.inventory_id = i.inventory_id"
        " join store as s on i.store_id = s.store_id group by s.store_id",
        "create trigger customer_create_date before insert on customer for each row set new.create_date = now()"};
    s.tables = {"country",   "city",   "address", "language",      "staff",         "store",
                "customer",  "film",   "actor",   "film_actor",    "category",      "film_category",
                "inventory", "rental", "payment", "customer_list", "sales_by_store"};
    return s;
}

FieldSchema compositeKeyStore()
{
    FieldSchema s;
    s.name = "store with composite keys";
    s.setup = {
        "create table vendors (vendor_code char(6) not null primary key, name varchar(60) not null,"
        " rating tinyint unsigned)",
        "create table products (product_id int unsigned not null auto_increment primary key,"
        " vendor_code char(6) not null, sku varchar(20) not null, label varchar(80) not null,"
        " unit enum('each','kg','litre') not null default 'each',"
        " unique key vendor_sku (vendor_code, sku),"
        " constraint fk_products_vendor foreign key (vendor_code) references vendors (vendor_code))",
        "create table prices (product_id int unsigned not null, valid_from date not null,"
        " price decimal(12,4) unsigned not null, primary key (product_id, valid_from),"
        " constraint fk_prices_product foreign key (product_id) references products (product_id) on delete cascade)",
        "create table orders (order_no int not null, region char(2) not null, placed datetime(3) not null,"
        " customer varchar(60) not null, primary key (order_no, region))",
        "create table order_items (order_no int not null, region char(2) not null, line_no smallint not null,"
        " product_id int unsigned not null, qty decimal(9,3) not null, primary key (order_no, region, line_no),"
        " constraint fk_items_order foreign key (order_no, region) references orders (order_no, region)"
        " on delete cascade,"
        " constraint fk_items_product foreign key (product_id) references products (product_id))",
        // Stock moves name their product by its vendor and code: a foreign key to a unique key.
        "create table stock_moves (move_id int not null auto_increment primary key, vendor_code char(6) not null,"
        " sku varchar(20) not null, qty int not null,"
        " constraint fk_moves_product foreign key (vendor_code, sku) references products (vendor_code, sku))",
        "insert into vendors select concat('V', lpad(seq, 5, '0')), concat('Vendor ', seq), seq % 6 from seq_1_to_30",
        "insert into products (vendor_code, sku, label, unit) select concat('V', lpad(seq % 30 + 1, 5, '0')),"
        " concat('SKU-', seq), concat('Product ', seq), elt(seq % 3 + 1, 'each', 'kg', 'litre') from seq_1_to_500",
        "insert into prices select seq % 500 + 1, '2023-01-01' + interval (seq div 500) month, 1 + (seq % 997) / 7"
        " from seq_0_to_5999",
        "insert into orders select seq div 4, elt(seq % 4 + 1, 'EU', 'US', 'AS', 'AF'),"
        " '2024-03-01 08:00:00.125' + interval seq minute, concat('Customer ', seq % 211) from seq_0_to_3999",
        "insert into order_items select o.order_no, o.region, l.seq, (o.order_no * 7 + l.seq) % 500 + 1, l.seq * 1.5"
        " from orders o join seq_1_to_3 l",
        "insert into stock_moves (vendor_code, sku, qty) select vendor_code, sku, cast(product_id % 17 as signed) - 8 "
        "from products"};
    s.tables = {"vendors", "products", "prices", "orders", "order_items", "stock_moves"};
    return s;
}

FieldSchema oddNames()
{
    FieldSchema s;
    s.name = "long and odd names";
    const std::string north = "customer_loyalty_program_members_north";
    const std::string south = "customer_loyalty_program_members_south";
    s.setup = {
        "create table " + north +
            " (member_id int not null auto_increment primary key,"
            " member_level enum('bronze','silver','gold') not null, points int unsigned not null default 0,"
            " joined date not null, key member_level_and_points_index_long_name (member_level, points))",
        "create table " + south +
            " (member_id int not null auto_increment primary key,"
            " member_level enum('bronze','silver','gold') not null, points int unsigned not null default 0,"
            " joined date not null, key member_level_and_points_index_long_name (member_level, points))",
        "create table Mixed (id int primary key, `Größe` decimal(6,2) unsigned, `first name` varchar(30) not null)",
        "create table MIXED (id int primary key, `order` int not null, `select` varchar(10), `date` date)",
        "create table `order` (`from` int not null primary key, `to` int not null,"
        " constraint order_points_to_mixed_table_by_a_long_key_name foreign key (`to`) references MIXED (id))",
        "create table `Straße_und_Stadt` (`Nummer` int primary key, `Straße` varchar(40) not null,"
        " `Zusatz` varchar(40), unique key `Straße_und_Nummer` (`Straße`, `Nummer`))",
        "insert into " + north +
            " (member_level, points, joined) select elt(seq % 3 + 1, 'bronze', 'silver', 'gold'),"
            " seq * 3, '2019-01-01' + interval seq day from seq_1_to_700",
        "insert into " + south +
            " (member_level, points, joined) select elt(seq % 3 + 1, 'bronze', 'silver', 'gold'),"
            " seq * 5, '2019-06-01' + interval seq day from seq_1_to_400",
        "insert into Mixed select seq, seq / 3, concat('Zoë ', seq) from seq_1_to_150",
        "insert into MIXED select seq, seq * 2, if(seq % 2, 'select', null), '2024-02-29' from seq_1_to_90",
        "insert into `order` select seq, seq % 90 + 1 from seq_1_to_250",
        "insert into `Straße_und_Stadt` select seq, concat('Hauptstraße ', seq % 40), if(seq % 3 = 0, null, 'Hof')"
        " from seq_1_to_120"};
    s.tables = {north, south, "Mixed", "MIXED", "order", "Straße_und_Stadt"};
    return s;
}

} // namespace testsupport
